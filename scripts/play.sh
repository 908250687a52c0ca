#!/usr/bin/env bash
# The project's play command: installs what is missing, builds the game and starts it from the folder
# that holds its assets (build/game), where it also keeps HighScore.txt and its screenshots.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTOR_BUILD_DIR:-$root/build}"

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target vantor
cd "$build/game"
exec ./vantor
