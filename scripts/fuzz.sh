#!/usr/bin/env bash
# Builds the libFuzzer targets under fuzz/ with clang and runs each for SECONDS (default 60), as many at once
# as there are cores, starting from the checked-in seeds plus whatever earlier runs in the same build directory found.
# Inputs kept in fuzz/regressions/<target>/ (earlier crashes) are replayed first. Exits non-zero on any
# crash; the crashing input is left in <build>/artifacts/. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-60}"
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(font_description high_score rgba_image ogg_decode)
fi

bash "$root/scripts/install-deps.sh"
cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --parallel "$(nproc)"

# A decoder that believes an absurd size in a header gets no memory (as malloc would refuse it) rather
# than ending the run as out-of-memory.
export ASAN_OPTIONS="${ASAN_OPTIONS:-allocator_may_return_null=1:max_allocation_size_mb=1024:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
mkdir -p "$build/artifacts"
fuzz_one() {
  local target="$1" binary="$build/fuzz_$1" corpus="$build/corpus/$1" regressions="$root/fuzz/regressions/$1"
  mkdir -p "$corpus"
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    "$binary" -runs=0 "$regressions"/* 2>"$build/$target-regressions.log" ||
      { cat "$build/$target-regressions.log"; return 1; }
  fi
  echo "fuzzing $target for $seconds s"
  "$binary" "$corpus" "$root/fuzz/corpus/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" 2>"$build/$target.log" ||
    { tail -n 60 "$build/$target.log"; return 1; }
  local runs coverage
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$target.log")"
  coverage="$(grep -o 'cov: [0-9]*' "$build/$target.log" | tail -n 1)"
  echo "$target: $runs executions in $seconds s, $coverage, corpus $(ls "$corpus" | wc -l) inputs, no crash"
}
# Each target fuzzes on one core, so as many run at once as there are cores: every target still gets its
# SECONDS of a whole core.
export -f fuzz_one
export build root seconds
printf '%s\n' "${targets[@]}" | xargs -P "$(nproc)" -I '{}' bash -c 'fuzz_one "$1"' _ '{}' || {
  echo "A fuzz target failed (inputs that crash are in $build/artifacts/)." >&2
  exit 1
}
