#!/usr/bin/env bash
# Closing the main window from the window manager, on the real executable under its own
# X server: the close request is the WM_DELETE_WINDOW message a window manager sends
# when the user clicks the close button or presses Alt+F4.
# 1. The game started and its input dialog open (the dialog blocks the main window): the
#    program must end with status 0, as Exit does, and write the memory image.
# 2. No game and no dialog: the window closes and the program ends with status 0,
#    writing the memory image, as before.
# Usage: window_close_e2e.sh TOVANA_EXECUTABLE WM_DELETE_HELPER
set -euo pipefail
exe=$(realpath "$1")
wm_delete=$(realpath "$2")
# shellcheck source=desktop_session.sh
source "$(dirname "$0")/desktop_session.sh"
session_require Xvfb xdotool dbus-launch /usr/libexec/at-spi-bus-launcher
session_start
session_copy_data "$exe"

failures=0

# The memory image's modification time in nanoseconds, or "none".
image_stamp() {
  if [ -e "$work/ram.dat" ]; then date -r "$work/ram.dat" +%s%N; else echo none; fi
}

# Waits up to 30 s for the program to end; sets $status to its exit status, or "running".
# Not in a subshell: only this shell can collect its child's status.
wait_end() {
  for _ in $(seq 300); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$app" 2>/dev/null; then
    status=running
    return
  fi
  status=0
  wait "$app" || status=$?
}

# $1 names the case; $2 is "game" to start the game and wait for its input dialog first.
close_case() {
  local name=$1 mode=$2 window before status
  rm -f "$work/tovana.ini" "$work/ram.dat"
  session_launch "$exe" --config "$work/tovana.ini"
  window=$(session_wait_window ' - tovana$' 30)
  if [ "$mode" = game ]; then
    xdotool windowfocus --sync "$window"
    xdotool key ctrl+s
    session_wait_window '^Vlož data$' 120 >/dev/null
  fi
  before=$(image_stamp)
  "$wm_delete" "$window"
  wait_end
  if [ "$status" = running ]; then
    echo "$name: the program still runs 30 s after the close request"
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    failures=$((failures + 1))
  elif [ "$status" != 0 ]; then
    echo "$name: the program ended with status $status"
    failures=$((failures + 1))
  elif [ "$(image_stamp)" = none ] || [ "$(image_stamp)" = "$before" ]; then
    echo "$name: the program ended without writing ram.dat"
    failures=$((failures + 1))
  else
    echo "$name: ended with status 0 and wrote ram.dat ($(stat -c %s "$work/ram.dat") bytes)"
  fi
}

close_case "closed with the input dialog open" game
close_case "closed with no dialog open" idle
[ "$failures" -eq 0 ]
