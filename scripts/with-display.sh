#!/usr/bin/env bash
# Runs a command on a display. Without DISPLAY it starts Xvfb (1024x768x24) on a free display number with
# openbox on it (full screen needs a window manager), points OpenAL Soft at its null driver, and stops
# both when the command ends, whatever its outcome. When the display cannot be started it says which step
# failed, whether the server and the window manager still run, and their own last messages.
set -euo pipefail

if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi

# The display number Xvfb reports, and the messages of the server and the window manager, kept for the
# report of a failed start.
logs="$(mktemp -d)"
xvfb_pid=""
openbox_pid=""
cleanup() {
  [ -z "$openbox_pid" ] || kill "$openbox_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$logs"
}
trap cleanup EXIT

# Each wait allows two minutes: on a machine kept busy by other work the server and the window manager can
# take many seconds, and a test started before they are ready fails for a reason that is not its own.
wait_limit=120 # seconds
poll_interval=0.05 # seconds

state_of() { # pid
  if kill -0 "$1" 2>/dev/null; then echo "still running"; else echo "not running"; fi
}

fail() { # step, reason
  echo "with-display.sh: $1: $2" >&2
  echo "Xvfb is $(state_of "$xvfb_pid")${openbox_pid:+, openbox is $(state_of "$openbox_pid")}" >&2
  local name
  for name in Xvfb openbox; do
    if [ -s "$logs/$name.log" ]; then
      echo "--- the last messages of $name:" >&2
      tail -n 20 "$logs/$name.log" >&2
    fi
  done
  exit 1
}

ended() { # pid: true when the child has ended, with its exit status in $status
  status=0
  kill -0 "$1" 2>/dev/null && return 1
  wait "$1" || status=$?
}

# Xvfb picks a free display number itself and reports it, so parallel runs never share a display.
# -noreset: by default the server resets whenever its last client disconnects, and a reset closes every
# connection still in its handshake and compiles the keymap again. The readiness checks below are such
# clients: a reset that they set off dropped openbox's connection while it started (openbox then ended with
# "Failed to open the display"), and on a busy machine the keymap compiled again could fail and end the
# server.
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$logs/display" >"$logs/Xvfb.log" 2>&1 &
xvfb_pid=$!

deadline=$((SECONDS + wait_limit))
until [ -s "$logs/display" ]; do
  if ended "$xvfb_pid"; then
    fail "starting Xvfb" "it ended with status $status before reporting a display number"
  fi
  ((SECONDS < deadline)) || fail "starting Xvfb" "no display number reported within $wait_limit s"
  sleep "$poll_interval"
done
export DISPLAY=":$(tr -d '[:space:]' <"$logs/display")"

# Wait until the window manager owns the screen and announces full-screen support before anything asks for
# full screen: GLFW reads the announcement once, when it starts, and a busy machine can start a test between
# the window manager taking the screen and announcing what it supports.
openbox >"$logs/openbox.log" 2>&1 &
openbox_pid=$!
announced() {
  local check supported
  check="$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" || return 1
  supported="$(xprop -root _NET_SUPPORTED 2>/dev/null)" || return 1
  [[ "$check" == *"window id"* && "$supported" == *_NET_WM_STATE_FULLSCREEN* ]]
}
deadline=$((SECONDS + wait_limit))
until announced; do
  step="starting openbox on $DISPLAY"
  if ended "$xvfb_pid"; then
    fail "$step" "Xvfb ended with status $status"
  fi
  if ended "$openbox_pid"; then
    fail "$step" "openbox ended with status $status before announcing full-screen support"
  fi
  ((SECONDS < deadline)) || fail "$step" "no full-screen support announced within $wait_limit s"
  sleep "$poll_interval"
done

export ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}"
"$@"
