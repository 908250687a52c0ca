#!/usr/bin/env bash
# The project's test command: installs what is missing, configures, builds and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}"

bash "$root/scripts/install-deps.sh"
# An optimised build without debug information, which would add some 40 % to the compile time
# (scripts/sanitize.sh keeps line tables for its reports), with the benchmark suite, whose quick run is a
# test.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTOR_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
bash "$root/scripts/with-display.sh" ctest --output-on-failure --parallel "$(nproc)" "$@"
