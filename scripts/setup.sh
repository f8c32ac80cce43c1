# Shared set-up of scripts/run and scripts/test: installs the Debian packages that are
# missing (and only those, so a prepared machine stays quiet), then configures and builds.
# Sourced, not run.

# Packages the program needs to build and run.
TOVANA_BUILD_PACKAGES=(
  cmake g++ make pkg-config
  libsimpleini-dev
  qt6-base-dev
  libopenal-dev libopenal1
  libespeak-ng-dev espeak-ng-data
  libspeechd-dev speech-dispatcher speech-dispatcher-espeak-ng
  libbrlapi-dev
)

# What the tests add: GoogleTest, the headless display and audio servers, the
# sanitizer and fuzzer runtime, and the references that data files are checked against.
TOVANA_TEST_PACKAGES=(
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool at-spi2-core dbus-x11 python3-pyatspi
  pulseaudio
  liblouis-bin
  brltty
)

tovana_missing_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  echo "${missing[@]:-}"
}

tovana_install() {
  local missing
  missing=$(tovana_missing_packages "$@")
  [ -z "$missing" ] && return 0
  echo "Installing: $missing"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing \
    >/dev/null
}

# tovana_build DIR [cmake options...]: configure once, then build; quiet unless it fails.
tovana_build() {
  local dir=$1
  shift
  local log="$dir.log"
  if ! { cmake -S . -B "$dir" "$@" && cmake --build "$dir" -j "$(nproc)"; } >"$log" 2>&1; then
    cat "$log"
    echo "Build in $dir failed (log: $log)" >&2
    return 1
  fi
}
