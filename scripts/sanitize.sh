#!/usr/bin/env bash
# Builds everything (engine, game, asset generator and every test) with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer, and runs every test label on a virtual display. Leaks that the graphics and
# audio drivers keep until exit are suppressed by tests/lsan.supp, which names driver libraries only. The
# soak plays VANTOR_SOAK_SECONDS of game time (60 here unless set) and the high score writer is killed
# VANTOR_HIGH_SCORE_KILLS times (100 unless set). Arguments go to ctest.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_ASAN_BUILD_DIR:-$root/build-asan}"

bash "$root/scripts/install-deps.sh"
# Line tables (-g1) are all that the sanitizers' reports need, and much quicker to build than full debug
# information. The code under test at -O1, as the sanitizers' authors advise: the game tests run a fifth to
# a third faster and the asset generator, run at build time, more than twice as fast, while frames and lines
# in the reports stay readable (frame pointers are kept). The tests' own code stays at -O0
# (tests/CMakeLists.txt).
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG="-g1 -O1" \
  -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" -DVANTOR_SANITIZE=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
# Mesa unloads its software rasterizer when a display connection closes; what that driver still holds is
# then reported from an unknown module that no suppression can name. Preloaded, it stays mapped until exit
# (the sanitizer runtime then no longer comes first, which is harmless for a library loaded this way).
driver="$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1)"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:verify_asan_link_order=0}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export VANTOR_SOAK_SECONDS="${VANTOR_SOAK_SECONDS:-60}"
export VANTOR_HIGH_SCORE_KILLS="${VANTOR_HIGH_SCORE_KILLS:-100}"
bash "$root/scripts/with-display.sh" env LD_PRELOAD="$driver" \
  ctest --output-on-failure --parallel "$(nproc)" "$@"
