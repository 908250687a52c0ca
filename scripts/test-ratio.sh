#!/usr/bin/env bash
# Prints how many physical lines of C and C++ the tests hold against the rest of the tree, and fails when the
# tests exceed the project's bound: a suite larger than this restates code instead of catching faults.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
limit="${VANTOR_TEST_RATIO_LIMIT:-0.36}"

count() { xargs -r cat -- | wc -l; }
sources() { git ls-files -- '*.cpp' '*.hpp' '*.h' '*.c'; }
tests="$(sources | grep '^tests/' | count)"
rest="$(sources | grep -v '^tests/' | count)"
ratio="$(awk -v t="$tests" -v r="$rest" 'BEGIN { printf "%.3f", t / r }')"
echo "test code: $tests lines against $rest lines of the rest: ratio $ratio (limit $limit)"
awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r <= l) }' || {
  echo "The tests exceed the limit: make them leaner before adding more." >&2
  exit 1
}
