#!/usr/bin/env bash
# Whether the program's short sound buffers hold on a busy machine: the real window plays
# through a private PulseAudio for a while with two processes keeping the two cores busy,
# a command typed at human speed every few seconds (each key echoed, each answer spoken).
# What decides is the server's own count of underruns (its debug log: the program's
# stream had no samples when the server came to play them) over the game, from a mark
# taken once the stream has started, which it does with one or two. The null sink is
# recorded too, and the places where it broke off counted (sound_gaps.py): an upper bound,
# as a key that cuts the speech short before a sound that starts loud counts as well.
# Usage: echo_soak.sh TOVANA_EXECUTABLE [SECONDS [ALSOFT_CONF]]   (default 600: ten
# minutes, at the program's own OpenAL settings; a configuration file to try others).
# TOVANA_SOAK_BUSY sets how many busy processes run beside it (default 2).
set -euo pipefail
exe=$(realpath "$1")
seconds=${2:-600}
here=$(dirname "$0")
# shellcheck source=desktop_session.sh
source "$here/desktop_session.sh"
# shellcheck source=pulse_session.sh
source "$here/pulse_session.sh"
pulse_desktop_start "$exe"
session_alsoft_drivers=pulse
if [ -n "${3:-}" ]; then
  export ALSOFT_CONF
  ALSOFT_CONF=$(realpath "$3")
else
  unset ALSOFT_CONF
fi

session_start_game "$exe"
parec -d null.monitor --raw --format=s16le --channels=2 --rate=44100 >"$work/soak.raw" &
recorder=$!
session_track "$recorder"
for _ in $(seq "${TOVANA_SOAK_BUSY:-2}"); do
  yes >/dev/null &
  session_track $!
done
# The recorder's joining the monitor makes the sink rewind every stream, which the server
# may log as an underrun of each: the count starts once the recorder has run a second.
for _ in $(seq 100); do
  [ "$(stat -c %s "$work/soak.raw" 2>/dev/null || echo 0)" -ge 176400 ] && break
  sleep 0.1
done
sleep 1
echo "load at the start: $(uptime | sed 's/.*load average/load average/')"
underruns_before=$(pulse_underruns)
log_mark=$(wc -l <"$(pulse_log)")
commands=("rozhlédni se" "vezmi dopis" "prozkoumej dopis" "jdi na sever" "inventář")
end=$((SECONDS + seconds))
turn=0
while [ "$SECONDS" -lt "$end" ]; do
  kill -0 "$app" 2>/dev/null || { echo "the program ended"; cat "$work/app.log"; exit 1; }
  dialog=$(session_wait_window '^Vlož data$' 60) || true
  [ -n "$dialog" ] && xdotool windowfocus --sync "$dialog" 2>/dev/null || true
  xdotool type --delay 150 "${commands[turn % ${#commands[@]}]}"
  xdotool key Return
  turn=$((turn + 1))
  sleep 3 # the answer is spoken meanwhile: the test's pace, not a wait on the program
done
echo "load at the end: $(uptime | sed 's/.*load average/load average/')"
kill "$recorder"
wait "$recorder" 2>/dev/null || true
echo "$turn commands typed in $seconds s"
underruns=$(($(pulse_underruns) - underruns_before))
echo "underruns in the server's log during the game: $underruns"
# Which stream ran dry: the speech's own ("speech") or OpenAL's, which carries the sounds.
tail -n +"$((log_mark + 1))" "$(pulse_log)" | grep -oE "(Actual|Implicit) underrun of '[^']*'" |
  sed -E "s/.*of '(.*)'/\1/" | sort | uniq -c | sed 's/^ */  stream /' || true
echo "breaks in the recording (at most): $(python3 "$here/sound_gaps.py" "$work/soak.raw")"
[ "$underruns" -eq 0 ]
