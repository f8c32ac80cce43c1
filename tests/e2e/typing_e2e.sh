#!/usr/bin/env bash
# Typing as a user meets it: the real executable under its own X server, the settings of
# a first start (the espeak-ng voice on, its audio to OpenAL's null device, which plays in
# real time), keys sent through the X server with xdotool, and the results read back
# through AT-SPI.
# 1. At 20, 60 and 150 ms a key, each on a fresh start: Ctrl+S, "vezmi dopis", Enter; the
#    screen must answer "vzal jsi dopis" (keys out of order give another answer).
# 2. The braille keyboard (Ctrl+B) with three processes keeping the two cores busy: F D S
#    L held past the repeat delay three times, then F alone as an end mark; the line must
#    read "vvva": each held chord typed once, however often the X server repeated it.
# Usage: typing_e2e.sh TOVANA_EXECUTABLE
set -euo pipefail
exe=$(realpath "$1")
# shellcheck source=desktop_session.sh
source "$(dirname "$0")/desktop_session.sh"
session_require Xvfb xdotool dbus-launch /usr/libexec/at-spi-bus-launcher
session_start
session_copy_data "$exe"

input_name="Vlož data"
failures=0

# A first start: no settings file yet. Sets $window to the main window's id.
fresh_start() {
  if [ -n "${app:-}" ]; then
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
  fi
  rm -f "$work/tovana.ini" "$work/ram.dat"
  session_launch "$exe" --config "$work/tovana.ini"
  window=$(session_wait_window ' - tovana$' 30)
}

# Starts the game and waits for its first input dialog (the opening is spoken first).
start_game() {
  local window=$1 dialog
  xdotool windowfocus --sync "$window"
  xdotool key ctrl+s
  dialog=$(session_wait_window "^$input_name\$" 120)
  xdotool windowfocus --sync "$dialog"
}

for delay in 20 60 150; do
  fresh_start
  start_game "$window"
  xdotool type --delay "$delay" "vezmi dopis"
  xdotool key Return
  if session_read --contains "vzal jsi dopis" --timeout 60 >/dev/null; then
    echo "typed at $delay ms a key: the game answered vzal jsi dopis"
  else
    echo "typed at $delay ms a key: no vzal jsi dopis on the screen"
    failures=$((failures + 1))
  fi
done

fresh_start
xdotool windowfocus --sync "$window"
xdotool key ctrl+b
# The switch plays its two tones before it turns the mode on, and a Ctrl+S handled
# while they play would start the game in the old mode: wait for the stored setting.
for _ in $(seq 100); do
  grep -q '^braillekeys=1' "$work/tovana.ini" 2>/dev/null && break
  sleep 0.1
done
grep -q '^braillekeys=1' "$work/tovana.ini" || { echo "Ctrl+B did not turn braille on"; exit 1; }
start_game "$window"
line=$(session_hold_chords "$input_name")
if [ "$line" = vvva ]; then
  echo "three held chords under load typed: $line"
else
  echo "three held chords under load typed: $line (expected vvva)"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ]
