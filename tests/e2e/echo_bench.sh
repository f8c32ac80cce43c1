#!/usr/bin/env bash
# The echo benchmark's session: the real window under its own X server, its sound through
# a private sound server whose null sink is recorded, a first start with the voice on, the
# game started and its opening spoken; then echo_bench.py types and listens. The screen
# reader beside it gets the same server, the same keys and the same measurement.
# Passes: "own" runs at the program's own OpenAL settings; "defaults" gives OpenAL a
# configuration file of its own (as a user's ALSOFT_CONF would), so its defaults hold;
# a path to a file gives OpenAL that file, to try other settings; "orca" is the screen
# reader with speech-dispatcher (espeak-ng) echoing the keys typed into a GTK entry.
# Usage: echo_bench.sh TOVANA_EXECUTABLE [--server pulseaudio|pipewire] [--smoke]
#                      [own|defaults|orca|FILE]...
#   --server   PulseAudio itself (the default) or PipeWire's PulseAudio server
#   --smoke    five keys and two silences, the program only: that the bench works
# The passes default to "own orca". Prints each pass's figures, then a table of them all.
set -euo pipefail
exe=$(realpath "$1")
shift
server=pulseaudio
smoke=0
passes=()
while [ $# -gt 0 ]; do
  case "$1" in
  --server)
    server=$2
    shift
    ;;
  --smoke) smoke=1 ;;
  *) passes+=("$1") ;;
  esac
  shift
done
[ ${#passes[@]} -gt 0 ] || passes=(own orca)
here=$(dirname "$0")
# shellcheck source=desktop_session.sh
source "$here/desktop_session.sh"
# shellcheck source=pulse_session.sh
source "$here/pulse_session.sh"
session_require Xvfb xdotool dbus-launch parec pactl /usr/libexec/at-spi-bus-launcher
case "$server" in
pulseaudio) session_require pulseaudio ;;
pipewire) session_require pipewire wireplumber pipewire-pulse ;;
*)
  echo "unknown server $server"
  exit 1
  ;;
esac

# speech-dispatcher ignores SIGTERM once its audio is stuck: it and its modules are ended
# with SIGKILL by their own ids, before the session's own clean-up.
speechd_pid=""
speechd_stop() {
  [ -n "$speechd_pid" ] || return 0
  pkill -KILL -P "$speechd_pid" 2>/dev/null || true
  kill -KILL "$speechd_pid" 2>/dev/null || true
  wait "$speechd_pid" 2>/dev/null || true
  speechd_pid=""
}
bench_cleanup() {
  speechd_stop
  pulse_stop
  session_cleanup
}
session_start
trap bench_cleanup EXIT
session_copy_data "$exe"
if [ "$server" = pipewire ]; then pipewire_start; else pulse_start; fi
session_alsoft_drivers=pulse

measure=()
# The smoke run checks that the bench measures, not how fast: one key heard will do.
[ "$smoke" -eq 1 ] && measure=(--keys 5 --silences 2 --need 1)
results="$work/results.jsonl"
: >"$results"
# Runs echo_bench.py; its figures go to the screen, its last line (JSON) to the results.
listen() {
  local out="$work/listen.out" status=0
  python3 "$here/echo_bench.py" "$@" "${measure[@]}" >"$out" || status=$?
  sed '$d' "$out"
  tail -n 1 "$out" | grep '^{' >>"$results" || true
  return "$status"
}

tovana_pass() {
  local pass=$1 window dialog
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
  session_start_game "$exe"
  sleep 1
  local status=0
  listen "tovana-$(basename "$pass")@$server" || status=1
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  return "$status"
}

# Orca as a user runs it: its default settings (key echo on), speech-dispatcher with
# espeak-ng playing to the same sink, the keys typed into a GTK entry. Its review key
# (keypad 8) reads the line back; Up, which Orca does not echo and a one-line entry
# ignores, silences it (Orca stops speech on any key press).
orca_pass() {
  if ! command -v orca >/dev/null; then
    echo "orca: not installed; not measured"
    return 0
  fi
  command -v speech-dispatcher >/dev/null || {
    echo "orca: speech-dispatcher is missing"
    return 1
  }
  /usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0")' 2>/dev/null || {
    echo "orca: python3-gi with GTK 3 is missing"
    return 1
  }
  local home="$work/orca-home" run="$work/orca-run" socket window _ status=0
  # Orca refuses to start beside another Orca of the same user, and its --replace would
  # kill that one (another session's, perhaps a test's): wait, bounded, for it to end.
  for _ in $(seq 180); do
    pgrep -u "$(id -u)" -x orca >/dev/null || break
    sleep 1
  done
  if pgrep -u "$(id -u)" -x orca >/dev/null; then
    echo "orca: another Orca of this user still runs after 3 minutes; not measured"
    return 1
  fi
  mkdir -p "$home" "$run"
  chmod 700 "$run"
  socket="$run/speechd.sock"
  # Its own socket, home and logs; its modules inherit PULSE_SERVER and so play to the sink.
  HOME="$home" XDG_RUNTIME_DIR="$run" speech-dispatcher -s -t 0 -c unix_socket -S "$socket" \
    >"$work/speechd.out" 2>&1 &
  speechd_pid=$!
  for _ in $(seq 100); do
    [ -S "$socket" ] && break
    kill -0 "$speechd_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -S "$socket" ] || {
    echo "orca: speech-dispatcher did not start:"
    cat "$work/speechd.out"
    speechd_stop
    return 1
  }
  /usr/bin/python3 "$here/echo_bench_entry.py" >"$work/entry.out" 2>&1 &
  local entry=$!
  session_track "$entry"
  window=$(session_wait_window '^echo bench entry$' 30)
  xdotool windowfocus --sync "$window"
  # TOVANA_BENCH_ORCA_LOG=FILE keeps Orca's debug log, to see what it said (the logging
  # slows it: figures from such a run are not Orca's).
  local debug=()
  [ -z "${TOVANA_BENCH_ORCA_LOG:-}" ] || debug=(--debug-file "$TOVANA_BENCH_ORCA_LOG")
  HOME="$home" XDG_RUNTIME_DIR="$run" GSETTINGS_BACKEND=memory \
    SPEECHD_ADDRESS="unix_socket:$socket" orca "${debug[@]}" >"$work/orca.out" 2>&1 &
  local orca=$!
  session_track "$orca"
  # Orca greets and presents the focused entry; the keys start once that has been said.
  listen "orca@$server" --settle 60 --read KP_Up --hush Up || status=1
  # Orca handles SIGTERM at its next event: a bounded wait, then SIGKILL.
  kill "$orca" "$entry" 2>/dev/null || true
  for _ in $(seq 30); do
    kill -0 "$orca" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$orca" 2>/dev/null || true
  wait "$orca" "$entry" 2>/dev/null || true
  speechd_stop
  # (An Orca that lost a race with another one ended at once, and says so here.)
  [ "$status" -eq 0 ] || tail -n 20 "$work/orca.out" "$work/speechd.out"
  return "$status"
}

echo "server: $server; machine load: $(uptime | sed 's/.*load average/load average/')"
status=0
for pass in "${passes[@]}"; do
  if [ "$pass" = orca ]; then
    [ "$smoke" -eq 1 ] || orca_pass || status=1
  else
    tovana_pass "$pass" || status=1
  fi
done
echo "== $server, load after: $(uptime | sed 's/.*load average/load average/')"
python3 "$here/echo_bench.py" --summary "$results"
exit "$status"
