#!/usr/bin/env bash
# Held chords on Qt's native Wayland platform, where the client repeats a held key itself.
# weston runs as a window of a private X server (its headless backend has no keyboard to
# type on) with the kiosk shell, so the program fills it; xdotool types into weston's
# window and weston hands the keys to the program. With three processes keeping the two
# cores busy, F D S L are held past the repeat delay three times and F alone ends the
# line: it must read "vvva".
# Usage: typing_wayland_e2e.sh TOVANA_EXECUTABLE
set -euo pipefail
exe=$(realpath "$1")
# shellcheck source=desktop_session.sh
source "$(dirname "$0")/desktop_session.sh"
session_require Xvfb xdotool xwininfo weston dbus-launch /usr/libexec/at-spi-bus-launcher
[ -e /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so ] ||
  [ -n "$(find /usr/lib -name 'libqwayland-generic.so' -print -quit 2>/dev/null)" ] ||
  { echo "missing qt6-wayland"; exit 1; }
session_start
session_copy_data "$exe"

export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export WAYLAND_DISPLAY=tovana-wayland
weston --backend=x11-backend.so --shell=kiosk-shell.so --socket="$WAYLAND_DISPLAY" \
  --width=1000 --height=700 --idle-time=0 >"$work/weston.log" 2>&1 &
session_track $!
compositor=""
for _ in $(seq 100); do
  compositor=$(xwininfo -root -tree | awk '/"Weston Compositor/ {print $1; exit}')
  [ -n "$compositor" ] && [ -e "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break
  sleep 0.1
done
[ -n "$compositor" ] || { echo "weston did not start:"; cat "$work/weston.log"; exit 1; }

# Voice off: this stage is about the keys, and the spoken opening would only make it wait.
printf '[voice]\nvoiceallowed=0\n[keyboard]\nbraillekeys=1\n' >"$work/tovana.ini"
session_platform=wayland session_launch "$exe" --config "$work/tovana.ini"
session_read --contains "" --timeout 30 >/dev/null || { echo "no window on weston"; exit 1; }
xdotool windowfocus --sync "$compositor"
xdotool mousemove --window "$compositor" 500 350 click 1
xdotool key ctrl+s
session_read --name "Vlož data" --timeout 30 >/dev/null || { echo "no input dialog"; exit 1; }

line=$(session_hold_chords "Vlož data")
echo "three held chords on Wayland under load typed: $line"
[ "$line" = vvva ]
