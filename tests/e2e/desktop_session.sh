# What the end-to-end tests share: a private X server on a free display, the desktop
# accessibility bus, a scratch working directory with the program's data files, the
# program itself, and reading its widgets back through AT-SPI. Sourced, not run.
#
# session_require TOOLS...        fails (exit 1) naming the first tool that is missing
# session_start                   X server, accessibility bus, $work; cleans up at exit
# session_track PID               also ends PID at exit
# session_copy_data EXE           the data files beside EXE into $work
# session_launch EXE [ARGS...]    starts EXE in $work; its pid in $app, its log $work/app.log;
#                                 on Qt's platform $session_platform (default xcb), with
#                                 OpenAL's drivers $session_alsoft_drivers (default null)
# session_wait_window TITLE_REGEX [SECONDS]  prints the window id once it is visible
# session_read [atspi_read.py options...]    waits on a widget's text (see atspi_read.py)
# session_hold_chords DIALOG_NAME  holds the "v" chord three times under load; prints the line

session_dir=$(dirname "${BASH_SOURCE[0]}")
session_pids=()

session_require() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
  done
  /usr/bin/python3 -c 'import pyatspi' || { echo "missing python3-pyatspi"; exit 1; }
}

session_track() {
  session_pids+=("$1")
}

session_cleanup() {
  local pid
  for pid in "${session_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  # The next test may want a display at once: let this one's server go completely.
  for pid in "${session_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
  [ -n "${work:-}" ] && rm -rf "$work"
}

# A display of our own: the first number without a server, and only once it answers.
session_start_x() {
  local number xvfb=""
  for number in $(seq 90 130); do
    [ -e "/tmp/.X$number-lock" ] && continue
    # -noreset: without it the server restarts whenever its last client leaves, and
    # refuses connections while it does.
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
  session_track "$xvfb"
  export DISPLAY=":$number"
}

session_start() {
  work=$(mktemp -d)
  trap session_cleanup EXIT
  session_start_x
  eval "$(dbus-launch --sh-syntax)"
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  session_track $!
}

session_copy_data() {
  local file
  for file in data.dta sounds.dat czech.ebt czech.eky; do
    cp "$(dirname "$1")/$file" "$work/"
  done
}

session_launch() {
  local exe=$1
  shift
  # Qt exposes its widgets on the accessibility bus only when asked or when a reader runs.
  (cd "$work" && exec env QT_QPA_PLATFORM="${session_platform:-xcb}" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    ALSOFT_DRIVERS="${session_alsoft_drivers:-null}" "$exe" "$@") >"$work/app.log" 2>&1 &
  app=$!
  session_track "$app"
}

# Starts the program in the session's folder with its own settings file, chooses Start
# and waits for the first input dialog (the opening is spoken first); leaves the main
# window's id in `window` and the dialog's, focused, in `dialog`.
session_start_game() {
  session_launch "$1" --config "$work/tovana.ini"
  window=$(session_wait_window ' - tovana$' 30)
  xdotool windowfocus --sync "$window"
  xdotool key ctrl+s
  dialog=$(session_wait_window '^Vlož data$' 120)
  xdotool windowfocus --sync "$dialog"
}

session_wait_window() {
  timeout "${2:-10}" xdotool search --sync --onlyvisible --name "$1" | head -n 1
}

session_read() {
  /usr/bin/python3 "$session_dir/atspi_read.py" "$@"
}

# With three processes keeping the two cores busy, holds F D S L past the repeat delay
# three times, then types F alone as an end mark, and prints what the input dialog (named
# $1) reads: "vvva" when each held chord typed once, however often the keys repeated.
session_hold_chords() {
  local name=$1 load=() line
  for _ in 1 2 3; do
    yes >/dev/null &
    load+=($!)
    session_track $!
  done
  for _ in 1 2 3; do
    xdotool keydown f keydown d keydown s keydown l
    sleep 1.3 # the user holds the chord: this is the test's input, not a wait
    # L first: the X server repeats the key pressed last, and a repeat of L with only L
    # left down would be the capital sign's chord (dot 6), rightly typed on its release.
    xdotool keyup l keyup s keyup d keyup f
    sleep 0.2
  done
  xdotool keydown f
  sleep 0.1
  xdotool keyup f
  line=$(session_read --name "$name" --endswith a --timeout 60) || line="(no end mark)"
  kill "${load[@]}" 2>/dev/null || true
  echo "$line"
}
