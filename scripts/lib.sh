# Sourced by the scripts, never run: what they share, each said once here.
#   top               the root of the tree
#   build_dir         a build folder's absolute path
#   configure_cross   the cross build's configure line (MinGW-w64, Release)
#   configure_native  a native clang build's configure line
#   use_wine          the Wine environment of a build folder's test prefix
#   winpath           a Linux path as the Windows path Wine sees (drive Z:)
#   start_xvfb        a virtual screen of its own
#   make_x11_prefix   a copy of the test prefix that draws on a screen
# shellcheck shell=bash

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cross_toolchain=$top/cmake/mingw-w64-x86_64.cmake

# build_dir [BUILD]: the build folder's absolute path (Wine needs an
# absolute prefix path); without BUILD, the tree's build folder.
build_dir() {
  case "${1:-}" in
    "") printf '%s' "$top/build" ;;
    /*) printf '%s' "$1" ;;
    *) printf '%s' "$PWD/$1" ;;
  esac
}

# configure_cross [BUILD]
configure_cross() {
  cmake -S "$top" -B "$(build_dir "${1:-}")" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$cross_toolchain" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
}

# configure_native BUILD TYPE [CMAKE OPTIONS...]
configure_native() {
  local build=$1 type=$2
  shift 2
  cmake -S "$top" -B "$(build_dir "$build")" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
}

# use_wine [BUILD]
# Exports the environment the tests run in: the build folder's own prefix
# (made by scripts/setup; null graphics driver), its private home (ALSA's
# null device for sound), no debug output, no Mono or Gecko installers, UTC
# and a UTF-8 locale, and no display.
use_wine() {
  local build
  build=$(build_dir "${1:-}")
  export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    HOME=$build/winehome TZ=UTC LANG=C.UTF-8
  unset DISPLAY
}

# winpath PATH: an absolute path on drive Z: (Wine's view of the Linux
# root), a relative one with its separators turned.
winpath() {
  case "$1" in
    /*) printf 'Z:%s' "${1//\//\\}" ;;
    *) printf '%s' "${1//\//\\}" ;;
  esac
}

# start_xvfb: a virtual screen at a display number no other screen uses,
# ready for clients; sets xvfb_display and xvfb_pid (the caller ends it).
start_xvfb() {
  local number
  number=$(mktemp)
  # Xvfb picks the free number itself and writes it once it takes clients.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$number" ] && break
    sleep 0.1
  done
  xvfb_display=:$(head -1 "$number")
  rm -f "$number"
  [ "$xvfb_display" != : ] || { echo "Xvfb did not start" >&2; return 1; }
}

# make_x11_prefix [BUILD]
# BUILD/wineprefix-x11, made once: a copy of the test prefix with Wine's
# X11 graphics driver, for what has to be seen on a screen.
make_x11_prefix() {
  local build prefix x11
  build=$(build_dir "${1:-}")
  prefix=$build/wineprefix x11=$build/wineprefix-x11
  [ -f "$x11/.vistaroam-ready" ] && return 0
  [ -f "$prefix/.vistaroam-ready" ] || { echo "no test prefix in $build: run scripts/setup $build" >&2; return 1; }
  # The copy is taken while no server writes to the prefix.
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  WINEPREFIX=$prefix wineserver -w || true
  rm -rf "$x11"
  cp -a "$prefix" "$x11"
  rm -f "$x11/.vistaroam-ready"
  (unset DISPLAY; WINEPREFIX=$x11 WINEDEBUG=-all wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1) || true
  WINEPREFIX=$x11 wineserver -w || true
  touch "$x11/.vistaroam-ready"
}
