# A private PulseAudio for the tests and benchmarks that hear the program through a sound
# server: a null sink whose monitor can be recorded, on a socket in a folder of our own,
# so nothing reaches (or is taken from) a desktop's own server. Sourced, not run; needs
# desktop_session.sh first (for session_track and $work).
#
# pulse_start                 starts the server; exports PULSE_SERVER; its pid in $pulse_pid
# pulse_stop                  kills it (SIGKILL: as a server that died would end) and waits
# pulse_log                   the server's log file
# pipewire_start              the same sink and socket served by PipeWire's PulseAudio
#                             server (pipewire, wireplumber, pipewire-pulse; needs the
#                             session's D-Bus); pulse_stop ends it too. With
#                             TOVANA_PIPEWIRE_MIN_QUANTUM (frames at 48 kHz) its PulseAudio
#                             server lets clients ask for updates that short (its own
#                             default floor is 256): to see what that floor costs

pulse_dir=""
pulse_pid=""
pipewire_pids=()

pulse_log() {
  echo "$pulse_dir/pulse.log"
}

# How often a stream ran dry while the server played it, as its debug log tells. A stream
# starts so, once or twice, before its first samples: count from a mark taken after that.
pulse_underruns() {
  grep -cE "(Actual|Implicit) underrun of" "$(pulse_log)" || true
}

pulse_start() {
  [ -n "$pulse_dir" ] || pulse_dir=$(mktemp -d "$work/pulse.XXXXXX")
  chmod 700 "$pulse_dir"
  # A restarted server must not find its last run's socket and think one still runs.
  rm -f "$pulse_dir/native"
  # -n: none of the system's own configuration; the null sink at the rate OpenAL mixes at.
  XDG_RUNTIME_DIR="$pulse_dir" HOME="$pulse_dir" pulseaudio -n --daemonize=no \
    --exit-idle-time=-1 --use-pid-file=no --system=no --log-level=debug \
    -L "module-native-protocol-unix socket=$pulse_dir/native auth-anonymous=1" \
    -L "module-null-sink sink_name=null rate=44100" -L module-always-sink \
    >>"$pulse_dir/pulse.log" 2>&1 &
  pulse_pid=$!
  session_track "$pulse_pid"
  export PULSE_SERVER="unix:$pulse_dir/native"
  pulse_wait_answer "$pulse_pid" && return 0
  echo "the private PulseAudio did not start:"
  cat "$pulse_dir/pulse.log"
  return 1
}

# Waits, bounded, until the server at PULSE_SERVER answers while $1 runs.
pulse_wait_answer() {
  local _
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && return 0
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

pipewire_start() {
  [ -n "$pulse_dir" ] || pulse_dir=$(mktemp -d "$work/pulse.XXXXXX")
  chmod 700 "$pulse_dir"
  rm -rf "$pulse_dir/native" "$pulse_dir/pulse" "$pulse_dir"/pipewire-0*
  # Everything in a runtime folder and home of its own: the graph's socket, the session
  # manager's state and the PulseAudio socket; none of the system's user services.
  local tool pid quantum=${TOVANA_PIPEWIRE_MIN_QUANTUM:-}
  mkdir -p "$pulse_dir/config"
  if [ -n "$quantum" ]; then
    mkdir -p "$pulse_dir/config/pipewire/pipewire-pulse.conf.d"
    printf 'pulse.properties = {\n  pulse.min.req = %s/48000\n  pulse.min.frag = %s/48000\n  pulse.min.quantum = %s/48000\n}\n' \
      "$quantum" "$quantum" "$quantum" >"$pulse_dir/config/pipewire/pipewire-pulse.conf.d/quantum.conf"
  fi
  for tool in pipewire wireplumber pipewire-pulse; do
    XDG_RUNTIME_DIR="$pulse_dir" HOME="$pulse_dir" PIPEWIRE_RUNTIME_DIR="$pulse_dir" \
      XDG_CONFIG_HOME="$pulse_dir/config" \
      "$tool" >>"$pulse_dir/pulse.log" 2>&1 &
    pid=$!
    pipewire_pids+=("$pid")
    session_track "$pid"
    # The session manager and the PulseAudio server connect to the graph's socket.
    if [ "$tool" = pipewire ]; then
      local _
      for _ in $(seq 100); do
        [ -S "$pulse_dir/pipewire-0" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
    fi
  done
  pulse_pid=$pid
  export PULSE_SERVER="unix:$pulse_dir/pulse/native"
  if pulse_wait_answer "$pid" &&
    pactl load-module module-null-sink sink_name=null rate=44100 >/dev/null &&
    pactl set-default-sink null; then
    return 0
  fi
  echo "PipeWire's PulseAudio server did not start:"
  cat "$pulse_dir/pulse.log"
  return 1
}

pulse_stop() {
  local pid
  for pid in "$pulse_pid" "${pipewire_pids[@]}"; do
    [ -n "$pid" ] || continue
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  pulse_pid=""
  pipewire_pids=()
}

# A desktop session whose sound goes through a private PulseAudio: the display, the
# accessibility bus and the program's data files in the session's folder, then the server.
pulse_desktop_start() {
  session_require Xvfb xdotool dbus-launch pulseaudio pactl /usr/libexec/at-spi-bus-launcher
  session_start
  session_copy_data "$1"
  pulse_start
}
