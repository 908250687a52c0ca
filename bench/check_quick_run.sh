#!/usr/bin/env bash
# A short run of every benchmark (vantor_bench --quick) as a test: the suite must run to its end, and a
# steady frame must allocate nothing. No timing is checked. Usage: check_quick_run.sh VANTOR_BENCH
set -euo pipefail
output="$("$1" --quick)"
echo "$output"
steady="$(grep -E 'scene stayed steady \(1 = yes\)' <<<"$output" | awk '{ print $NF }')"
allocations="$(grep -E 'new calls per update \(max\)' <<<"$output" | awk '{ print $NF }')"
[ "$steady" = "1.0000" ] || { echo "the steady scene changed while it was measured" >&2; exit 1; }
[ "$allocations" = "0.0000" ] || { echo "a steady update allocated ($allocations calls of operator new)" >&2; exit 1; }
