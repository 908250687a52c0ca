#!/usr/bin/env bash
# Runs a command on a display. Without DISPLAY it starts Xvfb (1024x768x24) on a free display number with
# openbox on it (full screen needs a window manager), points OpenAL Soft at its null driver, and stops
# both when the command ends, whatever its outcome.
set -euo pipefail

if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi

# Xvfb picks a free display number itself and reports it, so parallel runs never share a display.
display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
openbox_pid=""
cleanup() {
  [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -f "$display_file"
}
trap cleanup EXIT

# Both waits allow a minute: on a machine kept busy by other work the server and the window manager can take
# many seconds, and a test started before they are ready fails for a reason that is not its own.
wait_steps=1200 # of 0.05 s
for _ in $(seq 1 "$wait_steps"); do
  if [ -s "$display_file" ]; then
    break
  fi
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "Xvfb did not start" >&2
    exit 1
  fi
  sleep 0.05
done
number="$(tr -d '[:space:]' <"$display_file")"
if [ -z "$number" ]; then
  echo "Xvfb reported no display number" >&2
  exit 1
fi
export DISPLAY=":$number"

openbox >/dev/null 2>&1 &
openbox_pid=$!
# Wait until the window manager owns the screen and announces full-screen support before anything asks for
# full screen: GLFW reads the announcement once, when it starts, and a busy machine can start a test between
# the window manager taking the screen and announcing what it supports.
wm_ready=0
for _ in $(seq 1 "$wait_steps"); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
    xprop -root _NET_SUPPORTED 2>/dev/null | grep -q '_NET_WM_STATE_FULLSCREEN'; then
    wm_ready=1
    break
  fi
  sleep 0.05
done
if [ "$wm_ready" = 0 ]; then
  echo "the window manager did not announce full-screen support on $DISPLAY" >&2
  exit 1
fi

export ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}"
"$@"
