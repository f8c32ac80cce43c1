#!/usr/bin/env bash
# End to end, the way a screen reader meets the program: the real executable under Xvfb
# with the desktop accessibility bus, Ctrl+S and a command typed with xdotool, and the
# answer read back from the main window's screen through AT-SPI.
# A second scenario ends the program from its menu while a death tune plays: the process
# must end at once, with its memory image saved.
# Usage: accessibility_e2e.sh TOVANA_EXECUTABLE DATA_DIR [answer|exit-during-run]
set -euo pipefail
exe=$(realpath "$1")
data=$2
scenario=${3:-answer}
# shellcheck source=../e2e/desktop_session.sh
source "$(dirname "$0")/../e2e/desktop_session.sh"
session_require Xvfb xdotool dbus-launch /usr/libexec/at-spi-bus-launcher
session_start
session_copy_data "$exe"
# Speech off: the test reads the screen, and the spoken opening would only make it wait.
printf '[voice]\nvoiceallowed=0\n' >"$work/tovana.ini"
session_launch "$exe" --config "$work/tovana.ini"

window=$(session_wait_window ' - tovana$')
xdotool windowfocus --sync "$window"
xdotool key ctrl+s
command() {
  local dialog
  dialog=$(session_wait_window '^Vlož data$')
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 20 "$1"
  xdotool key Return
}

if [ "$scenario" = exit-during-run ]; then
  # East, then down the shaft without the rope: the falling tone and the death tune.
  command v
  command d
  sleep 1.5
  started=$(date +%s.%N)
  xdotool windowfocus --sync "$window"
  xdotool key alt+p
  sleep 0.3
  xdotool key e # Kon&ec
  for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$app" 2>/dev/null; then
    echo "Exit during the run did not end the process"
    exit 1
  fi
  status=0
  wait "$app" || status=$?
  took=$(echo "$(date +%s.%N) - $started" | bc)
  size=$(stat -c %s "$work/ram.dat" 2>/dev/null || echo none)
  echo "exit status $status, ended ${took}s after the menu command, ram.dat: $size bytes"
  # The run must not have reached its end: no line of the log may say "hotovo". (grep -v
  # would pass as soon as any one line lacked the word.)
  [ "$status" -eq 0 ] && [ "$size" = 65536 ] && [ -f "$work/app.log" ] &&
    ! grep -q hotovo "$work/app.log"
  exit $?
fi

command 'vezmi dopis'

if text=$(session_read --contains "vzal jsi dopis"); then
  echo "screen as read through AT-SPI, last lines:"
  printf '%s\n' "$text" | sed 's/ *$//' | grep -v '^$' | tail -c 300
else
  echo "the answer never reached the accessible screen"
  exit 1
fi
