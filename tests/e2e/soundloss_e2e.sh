#!/usr/bin/env bash
# The sound server killed mid-game and a new one started on its socket, under the real
# window (its watch tells while the user only reads) and the speaking terminal (told as
# the next utterance starts): each says once that sound is lost, naming the output, and
# runs on to its end. Usage: soundloss_e2e.sh TOVANA_EXECUTABLE
set -euo pipefail
exe=$(realpath "$1")
here=$(dirname "$0")
# shellcheck source=desktop_session.sh
source "$here/desktop_session.sh"
# shellcheck source=pulse_session.sh
source "$here/pulse_session.sh"
pulse_desktop_start "$exe"
unset ALSOFT_CONF
lost="Zvuk se ztratil: zvukový server přestal hrát."
wait_text() { # FILE TEXT SECONDS
  for _ in $(seq $(($3 * 5))); do grep -qF "$2" "$1" && return 0 || sleep 0.2; done
  echo "no \"$2\" in $1:" && cat "$1" && return 1
}

export TOVANA_UNATTENDED=1 # each message box closes itself; its text is on standard error
session_alsoft_drivers=pulse session_launch "$exe" --config "$work/tovana.ini"
wait_text "$work/app.log" "tovana: main window shown" 60
pulse_stop && pulse_start
wait_text "$work/app.log" "$lost" 30
sleep 3 # three more looks of the watch, which must not tell again
kill -0 "$app" && [ "$(grep -cF "$lost" "$work/app.log")" -eq 1 ] || { cat "$work/app.log"; exit 1; }
kill "$app" && wait "$app" || true

mkfifo "$work/in"
exec 3<>"$work/in" # held open: the program reads on until it is closed
(cd "$work" && exec timeout 120 env HOME="$work" ALSOFT_DRIVERS=pulse "$exe" --console --speak \
  --config "$work/terminal.ini" <"$work/in" >"$work/out" 2>"$work/err" 3>&-) &
terminal=$!
session_track "$terminal"
wait_text "$work/out" "pozor: věci lze položit" 60
pulse_stop && pulse_start
echo v >&3 # the answer's speech starts: the loss is found there
wait_text "$work/err" "$lost" 60
wait_text "$work/out" "širokého koridoru" 60 && echo v >&3 && exec 3>&-
wait "$terminal" && [ "$(grep -cF "$lost" "$work/err")" -eq 1 ] || { cat "$work/err"; exit 1; }
