#!/usr/bin/env bash
# Runs a command on a display. Without DISPLAY it starts Xvfb (1024x768x24) on a free display number with
# openbox on it (full screen needs a window manager), points OpenAL Soft at its null driver, and stops
# both when the command ends, whatever its outcome.
set -euo pipefail

if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi

number=90
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
  number=$((number + 1))
done
export DISPLAY=":$number"

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
openbox_pid=""
cleanup() {
  [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

for _ in $(seq 1 100); do
  if xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 || [ -e "/tmp/.X11-unix/X$number" ]; then
    break
  fi
  sleep 0.05
done

openbox >/dev/null 2>&1 &
openbox_pid=$!
# Wait until the window manager owns the screen before anything asks for full screen.
for _ in $(seq 1 100); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    break
  fi
  sleep 0.05
done

export ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}"
"$@"
