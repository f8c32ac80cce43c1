#!/usr/bin/env bash
# The page beside the Orca screen reader: Debian's chromium with a window on a private X
# server (Xvfb), its accessibility on, the desktop accessibility bus, the page's own voice
# off. Orca speaks through a speech-dispatcher of its own (espeak-ng into libao's null
# driver: no sound card is needed) and records every utterance in its debug log. Orca
# speaks a live region's additions only with its speech on, so unlike the desktop's
# tests/e2e/orca_e2e.sh it cannot run with "-d speech". Two commands are typed; Orca must
# speak each answer once and never the command (tests/web/orca_web.mjs).
# Usage: tests/web/orca_web.sh   (the site must be built: scripts/web --build-only)
#
# scripts/test runs it after every desktop test: it needs the only Orca of its user.
# Orca drops the live region messages it has queued at any key press, as when a player
# interrupts it, so no key hurries its block-written log along: each step is given
# TOVANA_ORCA_WAIT_MS (default 10000) to be spoken, and the log is read once Orca has
# stopped.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for tool in Xvfb xdotool dbus-launch orca node /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done
[ -x /usr/bin/chromium ] || { echo "missing chromium"; exit 1; }
[ -d "$here/node_modules/puppeteer-core" ] || { echo "missing puppeteer-core: npm ci in tests/web"; exit 1; }

work=$(mktemp -d)
pids=()
# speech-dispatcher ignores SIGTERM once its audio is stuck: it and the modules it started
# are ended with SIGKILL by their own ids.
speechd=""
cleanup() {
  if [ -n "$speechd" ]; then
    for pid in $(pgrep -P "$speechd" || true) "$speechd"; do kill -KILL "$pid" 2>/dev/null || true; done
    wait "$speechd" 2>/dev/null || true
  fi
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  if [ -n "${DBUS_SESSION_BUS_PID:-}" ]; then kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true; fi
  if [ -n "${TOVANA_E2E_KEEP:-}" ]; then
    cp "$work/orca.log" "$TOVANA_E2E_KEEP" 2>/dev/null || true
    cp -r "$work/speechd-log" "$TOVANA_E2E_KEEP.speechd" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own, from the end-to-end tests' shared session helpers.
# shellcheck source-path=SCRIPTDIR source=../e2e/desktop_session.sh
source "$here/../e2e/desktop_session.sh"
session_start_x
pids+=("${session_pids[@]}")
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" GSETTINGS_BACKEND=memory
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
eval "$(dbus-launch --sh-syntax)"
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)

# speech-dispatcher with its own configuration, socket and log.
cp -r /etc/speech-dispatcher "$work/speechd-conf"
printf '\nAudioOutputMethod "libao"\n' >>"$work/speechd-conf/speechd.conf"
printf 'default_driver=null\n' >"$HOME/.libao"
mkdir -p "$work/speechd-log"
socket="$XDG_RUNTIME_DIR/speechd.sock"
speech-dispatcher -s -t 0 -c unix_socket -S "$socket" -C "$work/speechd-conf" \
  -L "$work/speechd-log" -l 4 >"$work/speechd.out" 2>&1 &
speechd=$!
for _ in $(seq 100); do
  [ -S "$socket" ] && break
  kill -0 "$speechd" 2>/dev/null || break
  sleep 0.1
done
[ -S "$socket" ] || { echo "speech-dispatcher did not start:"; cat "$work/speechd.out"; exit 1; }
export SPEECHD_ADDRESS="unix_socket:$socket"

# Orca refuses to start beside another Orca of the same user (another test's, perhaps):
# it is started again, bounded, once that one has gone.
log="$work/orca.log"
orca=""
for _ in $(seq 36); do
  while pgrep -u "$(id -u)" -x orca >/dev/null && [ "$SECONDS" -lt 240 ]; do sleep 1; done
  orca --debug-file "$log" >"$work/orca.out" 2>&1 &
  orca=$!
  for _ in $(seq 200); do
    grep -q "SPEECH OUTPUT" "$log" 2>/dev/null && break 2
    kill -0 "$orca" 2>/dev/null || break
    sleep 0.1
  done
  grep -q "already running" "$work/orca.out" || break
  wait "$orca" 2>/dev/null || true
  sleep 5
done
pids+=("$orca")
grep -q "SPEECH OUTPUT" "$log" 2>/dev/null || { echo "Orca did not start:"; cat "$work/orca.out"; exit 1; }

# Bounded: a browser or a reader that never answers must not hold the run.
ORCA_LOG="$log" ORCA_PID="$orca" timeout 300 node "$here/orca_web.mjs"
