#!/usr/bin/env bash
# The benchmark suite: builds the game and its benchmarks in Release into their own build directory and runs
# them on a display (a virtual one when none is set). Arguments go to the suite, for example
#   bash scripts/bench.sh --repeat 5            every benchmark, each figure the median of five runs
#   bash scripts/bench.sh late scale            only the late game and the scale benchmarks
#   bash scripts/bench.sh --quick               a short smoke run
# docs/performance.md describes the benchmarks and their figures.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BENCH_BUILD_DIR:-$root/build-bench}"

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTOR_BUILD_BENCHMARKS=ON \
  -DVANTOR_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target vantor_bench --parallel "$(nproc)"
echo "$(uptime)"
bash "$root/scripts/with-display.sh" "$build/bench/vantor_bench" "$@"
