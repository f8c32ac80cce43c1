#!/usr/bin/env bash
# Start-up time as a user meets it: from exec to a mapped main window under Xvfb
# (xdotool search, retried at once), five starts, the median printed, and the resident memory of
# the last start once its window is up. Each speech-dispatcher situation is measured:
#   absent     nothing listens where speech-dispatcher would be
#   wedged     a listener accepts the connection and never answers
#   running    a private speech-dispatcher answers
# each with the settings choosing espeak-ng (sapi5=0) and speech-dispatcher (sapi5=1).
# Usage: startup_benchmark.sh TOVANA_EXECUTABLE [RUNS]
set -euo pipefail
exe=$(realpath "$1")
runs=${2:-5}
for tool in Xvfb xdotool python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own, from the end-to-end tests' shared session helpers.
# shellcheck source=../e2e/desktop_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/desktop_session.sh"
session_start_x
pids+=("${session_pids[@]}")
export QT_QPA_PLATFORM=xcb ALSOFT_DRIVERS=null

for file in data.dta sounds.dat czech.ebt czech.eky english.eky slovak.eky; do
  cp "$(dirname "$exe")/$file" "$work/"
done

# The wedged service: accepts, reads, never answers.
python3 - "$work/wedged.sock" <<'EOF' &
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1]); s.listen(16)
held = []
while True:
    c, _ = s.accept(); held.append(c)
EOF
pids+=($!)

# A private speech-dispatcher of its own, with a scratch home and runtime folder.
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home"
mkdir -m 700 -p "$XDG_RUNTIME_DIR" "$HOME"
running_socket="$work/speechd.sock"
if command -v speech-dispatcher >/dev/null; then
  speech-dispatcher -s -t 0 -c unix_socket -S "$running_socket" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -S "$running_socket" ] && break; sleep 0.05; done
fi

one_start() { # prints milliseconds, then the resident kilobytes
  local start end app window rss
  start=$(date +%s%N)
  "$exe" --config "$work/tovana.ini" >/dev/null 2>&1 &
  app=$!
  window=""
  local deadline=$((start + ${STARTUP_TIMEOUT:-20} * 1000000000))
  # Not `search --sync`: it retries only every half second, which hides everything
  # below that. Each try here costs a few milliseconds.
  while [ -z "$window" ] && [ "$(date +%s%N)" -lt "$deadline" ]; do
    window=$(xdotool search --onlyvisible --name ' - tovana$' 2>/dev/null | head -n 1 || true)
  done
  end=$(date +%s%N)
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$app/status" 2>/dev/null || echo 0)
  kill -9 "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  [ -n "$window" ] || { echo "timeout 0"; return 0; }
  echo "$(((end - start) / 1000000)) $rss"
}

cd "$work"
for service in absent wedged running; do
  case $service in
  absent) export SPEECHD_ADDRESS="unix_socket:$work/nothing-here.sock" ;;
  wedged) export SPEECHD_ADDRESS="unix_socket:$work/wedged.sock" ;;
  running)
    [ -S "$running_socket" ] || { echo "running: speech-dispatcher did not start"; continue; }
    export SPEECHD_ADDRESS="unix_socket:$running_socket"
    ;;
  esac
  for sapi5 in 0 1; do
    times=()
    rss=0
    for _ in $(seq "$runs"); do
      printf '[voice]\nvoiceallowed=1\n[Voice]\nsapi5=%s\n' "$sapi5" >"$work/tovana.ini"
      read -r ms rss < <(one_start)
      times+=("$ms")
    done
    if [[ " ${times[*]} " == *" timeout "* ]]; then
      echo "startup speechd=$service sapi5=$sapi5: no window within ${STARTUP_TIMEOUT:-20} s"
      continue
    fi
    median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
    echo "startup speechd=$service sapi5=$sapi5: median ${median} ms of ${times[*]}; RSS $((rss / 1024)) MB"
  done
done
