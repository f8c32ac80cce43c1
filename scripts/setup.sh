# Shared set-up of scripts/run and scripts/test: installs the Debian packages that are
# missing (and only those, so a prepared machine stays quiet), then configures and builds.
# Sourced, not run.

# Packages the program needs to build and run.
TOVANA_BUILD_PACKAGES=(
  cmake g++ make pkg-config
  libsimpleini-dev
  qt6-base-dev libxcb-xkb-dev
  libopenal-dev libopenal1
  libespeak-ng-dev espeak-ng-data
  libspeechd-dev speech-dispatcher speech-dispatcher-espeak-ng
  libpulse-dev
  libbrlapi-dev
)

# What the tests add: GoogleTest, the headless display and audio servers, the
# sanitizer and fuzzer runtime, and the references that data files are checked against.
TOVANA_TEST_PACKAGES=(
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth xdotool x11-utils at-spi2-core dbus-x11 python3 python3-pyatspi orca
  weston qt6-wayland
  pulseaudio
  liblouis-bin
  brltty
)

# What the browser edition adds: em++ to build it, node and npm for its build-time tools
# and its tests, Debian's chromium for the browser stage (driven by puppeteer-core from
# npm, pinned in tests/web/package-lock.json; it never downloads a browser of its own).
# libsimpleini-dev and espeak-ng come with the desktop's packages.
TOVANA_WEB_PACKAGES=(
  emscripten nodejs npm python3 libsimpleini-dev
)
TOVANA_WEB_TEST_PACKAGES=(
  chromium fonts-dejavu-core
)

# tovana_build_web [--show]: builds the browser edition into build-web/site (log:
# build-web.log). em++ runs its helpers with this machine's node, which finds Debian's
# JavaScript libraries only through NODE_PATH.
tovana_build_web() {
  local show=0
  [ "${1:-}" = "--show" ] && show=1
  export NODE_PATH=/usr/share/nodejs
  local log=build-web.log status=0
  { emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DTOVANA_WERROR=ON &&
    cmake --build build-web -j "$(nproc)"; } >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$log"
    echo "The browser edition's build failed (log: $log)" >&2
    return 1
  fi
  [ "$show" -eq 0 ] || echo "Built the site in build-web/site"
}

# What scripts/package and its check add: the Debian package tools and the validators of
# the desktop entry, the AppStream metadata and the manual page.
TOVANA_PACKAGE_PACKAGES=(
  dpkg-dev debhelper fakeroot
  desktop-file-utils appstream man-db
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

# tovana_build [--show] [--target NAME]... DIR [cmake options...]: configure, then build
# (every target, or the named ones). Quiet unless it fails; --show prints the build's
# progress as it goes, for a person waiting on it. The log is DIR.log either way.
tovana_build() {
  local show=0 targets=()
  while [ $# -gt 0 ]; do
    case $1 in
      --show) show=1; shift ;;
      --target) targets+=(--target "$2"); shift 2 ;;
      *) break ;;
    esac
  done
  local dir=$1
  shift
  local log="$dir.log" status=0
  if [ "$show" -eq 1 ]; then
    echo "Building in $dir (log: $log)"
    { cmake -S . -B "$dir" "$@" >"$log" 2>&1 &&
      cmake --build "$dir" -j "$(nproc)" "${targets[@]}" 2>&1 | tee -a "$log"; } || status=$?
  else
    { cmake -S . -B "$dir" "$@" && cmake --build "$dir" -j "$(nproc)" "${targets[@]}"; } \
      >"$log" 2>&1 || status=$?
  fi
  if [ "$status" -ne 0 ]; then
    [ "$show" -eq 1 ] || cat "$log"
    [ "$show" -eq 0 ] || tail -n 40 "$log"
    echo "Build in $dir failed (log: $log)" >&2
    return 1
  fi
}
