#!/usr/bin/env bash
# End to end beside the Orca screen reader: the real window under Xvfb with the desktop
# accessibility bus, the program's own voice off, Orca running with its speech recorded
# in its debug log. Start, then three commands typed with xdotool; the opening and each
# answer must reach Orca's speech, in order. Alt+1 hands Orca an answer again: in the main
# window before the start (none yet: the message that there is none) and in the input
# dialog after "vezmi dopis" (its answer); Orca must speak each once, and the typing goes on.
# With the program's own voice on, Orca must not read the printed lines as well.
# Usage: orca_e2e.sh TOVANA_EXECUTABLE [voice-off|voice-on]
# The display is the first free one from 90.
set -euo pipefail
exe=$(realpath "$1")
scenario=${2:-voice-off}
for tool in Xvfb xdotool dbus-launch orca /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
  # TOVANA_E2E_KEEP=FILE keeps Orca's log for a look afterwards.
  [ -n "${TOVANA_E2E_KEEP:-}" ] && cp "$work/orca.log" "$TOVANA_E2E_KEEP" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own, from the end-to-end tests' shared session helpers.
# shellcheck source=desktop_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/desktop_session.sh"
session_start_x
pids+=("${session_pids[@]}")
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" GSETTINGS_BACKEND=memory
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
eval "$(dbus-launch --sh-syntax)"
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)

# Orca without a speech server: "-d speech" keeps it from speaking, and its debug log
# still records every utterance as "SPEECH OUTPUT".
log="$work/orca.log"
orca -d speech --debug-file "$log" >"$work/orca.out" 2>&1 &
orca=$!
pids+=("$orca")
for _ in $(seq 200); do
  grep -q "SPEECH OUTPUT" "$log" 2>/dev/null && break
  kill -0 "$orca" 2>/dev/null || { echo "Orca ended:"; cat "$work/orca.out"; exit 1; }
  sleep 0.1
done

for file in data.dta sounds.dat czech.ebt czech.eky; do cp "$(dirname "$exe")/$file" "$work/"; done
cd "$work"
if [ "$scenario" = voice-on ]; then
  # The Czech voice at a brisk pace, so the spoken opening does not keep the test long.
  printf '[voice]\nvoiceallowed=1\n[sounds]\ntovanasounds=0\n[Voice]\nperson=Czech\nspeed=450\n' \
    >tovana.ini
else
  printf '[voice]\nvoiceallowed=0\n[sounds]\ntovanasounds=0\n' >tovana.ini
fi
QT_QPA_PLATFORM=xcb ALSOFT_DRIVERS=null "$exe" --config "$work/tovana.ini" >app.log 2>&1 &
app=$!
pids+=("$app")

# What must be heard, in this order: the opening, then the answer to each command.
expected=(
  "maska slunečního boha"
  "stojíš na malé mýtině"
  "vidíš dopis"
  "vzal jsi dopis"
  "jsi na začátku širokého koridoru"
  "vidíš uschlou větev"
  "stojíš na malé mýtině"
)
# Orca's utterances, one a line (an utterance's later lines are indented in the log).
spoken() {
  awk '/ - SPEECH OUTPUT: / { if (u != "") print u; u = $0; next }
       /^                  / && u != "" { sub(/^ +/, " "); u = u $0; next }
       { if (u != "") print u; u = "" }
       END { if (u != "") print u }' "$log" 2>/dev/null || true
}
# Orca writes its log in blocks: a key it handles fills the block and pushes it out.
nudge() { xdotool key shift; }
# Stops Orca, which writes out the rest of its log; it handles the signal at its next event.
stoporca() {
  kill -TERM "$orca" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$orca" 2>/dev/null || return 0
    nudge
    sleep 0.1
  done
  kill -KILL "$orca" 2>/dev/null || true
}
# The first N expected phrases, each after the one before, in Orca's utterances.
inorder() {
  spoken | tr '\n' ' ' |
    EXPECTED="$(printf '%s\n' "${expected[@]:0:$1}")" /usr/bin/python3 -c '
import os, sys
text = sys.stdin.read()
at = 0
for phrase in os.environ["EXPECTED"].splitlines():
    found = text.find(phrase, at)
    if found < 0:
        sys.exit(1)
    at = found + len(phrase)
'
}
# Waits, bounded, until Orca has said the first N phrases; as a listener would, the next
# command is typed only then (Orca reads the dialog when it gets to its event, and a
# program run ahead would show it a later text).
heard() {
  for _ in $(seq 150); do
    inorder "$1" && return 0
    nudge
    sleep 0.2
  done
  return 1
}

# How many utterances Orca has made so far; what a key makes it say comes after them.
mark() { spoken | wc -l; }
# Waits, bounded, until Orca's utterances after the first N hold the phrase.
heardafter() {
  for _ in $(seq 100); do
    spoken | tail -n +"$(($1 + 1))" | grep -qF "$2" && return 0
    nudge
    sleep 0.2
  done
  return 1
}
# Alt+1, the phrase Orca must then speak, and the title of the window that has the focus:
# Orca speaks a window's title when the focus comes to it, and the focus must not move.
againkey() {
  local before
  before=$(mark)
  xdotool key alt+1
  heardafter "$before" "$1" || { echo "Orca did not speak \"$1\" after Alt+1"; return 1; }
  # From Orca's echo of the key on: the dialog's own presentation as it came back may
  # still be on its way to the log when the key is sent.
  if spoken | tail -n +"$((before + 1))" | sed -n '/left alt/,$p' | grep -qF "$2"; then
    echo "Alt+1 moved the focus: Orca spoke \"$2\" again"
    return 1
  fi
}
noanswer="Tolik odpovědí ještě nebylo"

window=$(timeout 20 xdotool search --sync --onlyvisible --name ' - tovana$' | head -n 1)
xdotool windowfocus --sync "$window"
# Start only once Orca has met the window: it is then following the program.
for _ in $(seq 150); do
  spoken | grep -q "Překladač Tovana Basicu" && break
  nudge
  sleep 0.2
done
if [ "$scenario" = voice-off ]; then
  againkey "$noanswer" "Překladač Tovana Basicu" || { spoken | tail -n 20; exit 1; }
fi
xdotool key ctrl+s
command() {
  local dialog
  dialog=$(timeout 120 xdotool search --sync --onlyvisible --name '^Vlož data$' | head -n 1)
  [ -n "$dialog" ] || { echo "the input dialog did not show"; exit 1; }
  # Focus it only when it lacks the focus: each new focus would make Orca present the
  # dialog once more.
  [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$dialog" ] ||
    timeout 10 xdotool windowfocus --sync "$dialog"
  xdotool type --delay 60 "$1"
  xdotool key Return
}
if [ "$scenario" = voice-on ]; then
  command 'vezmi dopis'
  command v
  command z
  timeout 120 xdotool search --sync --onlyvisible --name '^Vlož data$' >/dev/null
else
  ok=0
  heard 3 && command 'vezmi dopis' && heard 4 && againkey "vzal jsi dopis" "Vlož data" &&
    command v && heard 6 && command z && heard 7 || ok=1
  stoporca
  inorder 7 && ok=0
  if [ "$ok" -ne 0 ]; then
    echo "Orca did not speak the opening and the three answers in order; it said:"
    spoken
    exit 1
  fi
fi

if [ "$scenario" = voice-on ]; then
  # The program speaks for itself: Orca must not read the printed lines too. Orca is
  # stopped, which writes out its log, once the dialog is back for the fourth time.
  stoporca
  if spoken | grep -q "vzal jsi dopis"; then
    echo "Orca read the printed lines although the program speaks them:"
    spoken | tail -n 20
    exit 1
  fi
  echo "Orca's speech, which holds none of the game's lines:"
  spoken | tail -n 8
  exit 0
fi

echo "Orca's speech:"
spoken | grep -a -v "left shift" | cut -c1-400
# Each answer once, and once more for Alt+1: the line with the letter's taking twice in
# all, the message that there is no answer yet once.
count=$(spoken | grep -o "vzal jsi dopis" | wc -l)
[ "$count" -eq 2 ] || { echo "\"vzal jsi dopis\" was spoken $count times, not twice"; exit 1; }
count=$(spoken | grep -o "$noanswer" | wc -l)
[ "$count" -eq 1 ] || { echo "\"$noanswer\" was spoken $count times, not once"; exit 1; }
