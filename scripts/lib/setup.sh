# Shared set-up for scripts/run and scripts/test: installs what is missing
# from Debian's archive and builds both builds. Sourced, not run.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build"

PACKAGES="cmake ninja-build g++ libgtest-dev libgmock-dev python3
g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
mingw-w64-i686-dev wine wine32:i386 xvfb xauth x11-utils xdotool openbox
imagemagick ffmpeg fonts-crosextra-carlito fp-utils zip file procps
gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
gstreamer1.0-plugins-ugly gstreamer1.0-libav python3-gi gir1.2-gstreamer-1.0
espeak-ng sox pulseaudio pulseaudio-utils libpulse0:i386"

# What only the benchmarks use: the real programs whose screens they record.
BENCH_PACKAGES="chromium xterm mupdf man-db"

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# apt-get update, tried a few times: while Debian's archive is mid-sync one
# index can fail for a minute ("File has unexpected size ... Mirror sync in
# progress?"). A last failure is not fatal: apt then uses what it has.
apt_update() {
  for wait in 5 15 30 0; do
    as_root apt-get update -qq && return 0
    [ "$wait" = 0 ] && break
    echo "apt-get update failed; trying again in $wait s."
    sleep "$wait"
  done
  echo "apt-get update kept failing; installing from the indexes it has."
}

apt_install() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"
}

# Says in one line per package which one cannot be installed and why (the
# first error apt gives when asked for that package alone).
explain_uninstallable() {
  for p in "$@"; do
    why=$(as_root apt-get install -s --no-install-recommends "$p" 2>&1 | grep -m1 '^E:\|Depends:\|Breaks:' || true)
    [ -n "$why" ] && echo "Cannot install $p: $(echo "$why" | sed 's/^ *//')" >&2
  done
  return 0
}

install_missing() {
  missing=""
  for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  echo "Installing:$missing"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  apt_update
  apt_install $missing && return 0
  # With one index missing (the i386 one of the security suite, say), amd64
  # packages and their i386 twins come from different suites at different
  # versions, and multi-arch packages must agree. The release's own suite
  # has both.
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$codename" ]; then
    echo "Installing from $codename's own suite so that amd64 and i386 versions agree."
    apt_install -t "$codename" $missing && return 0
  fi
  explain_uninstallable $missing
  return 1
}

build_all() {
  cmake -S "$ROOT" -B "$BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD/native"
  cmake -S "$ROOT" -B "$BUILD/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
  cmake --build "$BUILD/win32"
}
