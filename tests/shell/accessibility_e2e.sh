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
for tool in Xvfb xdotool dbus-launch /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done
/usr/bin/python3 -c 'import pyatspi' || { echo "missing python3-pyatspi"; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  # The next test may want a display at once: let this one's server go completely.
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own: the first number without a server, and only once it answers.
xvfb=""
for number in $(seq 90 130); do
  [ -e "/tmp/.X$number-lock" ] && continue
  # -noreset: without it the server restarts whenever its last client leaves, and refuses
  # connections while it does.
  Xvfb ":$number" -screen 0 1280x900x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do
    # Ours must be the server that answers, and still be running a moment later (a
    # server that is just going away can answer once before ours gives up).
    if DISPLAY=":$number" xdotool getdisplaygeometry >/dev/null 2>&1; then
      sleep 0.3
      kill -0 "$xvfb" 2>/dev/null && DISPLAY=":$number" xdotool getdisplaygeometry \
        >/dev/null 2>&1 && break 2
    fi
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  kill "$xvfb" 2>/dev/null || true
  xvfb=""
done
[ -n "$xvfb" ] || { echo "no X server could be started"; exit 1; }
pids+=("$xvfb")
export DISPLAY=":$number"
eval "$(dbus-launch --sh-syntax)"
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)

for file in data.dta sounds.dat czech.ebt czech.eky; do cp "$(dirname "$exe")/$file" "$work/"; done
cd "$work"
# Speech off: the test reads the screen, and the spoken opening would only make it wait.
printf '[voice]\nvoiceallowed=0\n' >"$work/tovana.ini"
# Qt exposes its widgets on the accessibility bus only when asked or when a reader runs.
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ALSOFT_DRIVERS=null "$exe" --config "$work/tovana.ini" \
  >"$work/app.log" 2>&1 &
app=$!
pids+=("$app")

window=$(timeout 10 xdotool search --sync --onlyvisible --name ' - tovana$' | head -n 1)
xdotool windowfocus --sync "$window"
xdotool key ctrl+s
command() {
  local dialog
  dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Vlož data$' | head -n 1)
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
  [ "$status" -eq 0 ] && [ "$size" = 65536 ] && grep -vq hotovo "$work/app.log"
  exit $?
fi

command 'vezmi dopis'

/usr/bin/python3 - <<'PY'
import sys, time
import pyatspi

def find(node, role, depth=0):
    if node is None or depth > 12:
        return None
    try:
        if node.getRoleName() == role:
            return node
        for child in node:
            hit = find(child, role, depth + 1)
            if hit is not None:
                return hit
    except Exception:
        return None
    return None

deadline = time.time() + 15
text = ""
while time.time() < deadline:
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "tovana":
            memo = find(app, "text")
            if memo is not None:
                text = memo.queryText().getText(0, -1)
    if "vzal jsi dopis" in text:
        print("screen as read through AT-SPI, last lines:")
        print("\n".join(line.rstrip() for line in text.splitlines() if line.strip())[-300:])
        sys.exit(0)
    time.sleep(0.2)
print("the answer never reached the accessible screen; it read:")
print(text)
sys.exit(1)
PY
