#!/usr/bin/env bash
# The echo benchmark's session: the real window under its own X server, its sound through
# a private PulseAudio whose null sink is recorded, a first start with the voice on, the
# game started and its opening spoken; then echo_bench.py types and listens.
# Passes: "own" runs at the program's own OpenAL settings; "defaults" gives OpenAL a
# configuration file of its own (as a user's ALSOFT_CONF would), so its defaults hold;
# a path to a file gives OpenAL that file, to try other settings.
# Usage: echo_bench.sh TOVANA_EXECUTABLE [own|defaults|FILE]...
set -euo pipefail
exe=$(realpath "$1")
shift
passes=("$@")
[ ${#passes[@]} -gt 0 ] || passes=(own)
here=$(dirname "$0")
# shellcheck source=desktop_session.sh
source "$here/desktop_session.sh"
# shellcheck source=pulse_session.sh
source "$here/pulse_session.sh"
session_require Xvfb xdotool dbus-launch pulseaudio parec pactl /usr/libexec/at-spi-bus-launcher
session_start
session_copy_data "$exe"
pulse_start
session_alsoft_drivers=pulse

echo "machine load: $(uptime | sed 's/.*load average/load average/')"
status=0
for pass in "${passes[@]}"; do
  rm -f "$work/tovana.ini" "$work/ram.dat"
  if [ "$pass" = defaults ]; then
    : >"$work/alsoft-defaults.conf"
    export ALSOFT_CONF="$work/alsoft-defaults.conf"
  elif [ "$pass" != own ]; then
    export ALSOFT_CONF
    ALSOFT_CONF=$(realpath "$pass")
  else
    unset ALSOFT_CONF
  fi
  session_launch "$exe" --config "$work/tovana.ini"
  window=$(session_wait_window ' - tovana$' 30)
  xdotool windowfocus --sync "$window"
  xdotool key ctrl+s
  dialog=$(session_wait_window '^Vlož data$' 120)
  xdotool windowfocus --sync "$dialog"
  sleep 1
  python3 "$here/echo_bench.py" "tovana-$(basename "$pass")" || status=1
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
done
# The screen reader beside it needs its own session (speech-dispatcher on this server, a
# GTK entry): not measured here yet.
command -v orca >/dev/null && echo "orca: not measured by this benchmark"
exit "$status"
