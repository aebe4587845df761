#!/usr/bin/env bash
# Screenshots of the main window under Xvfb, the folder list in a folder
# three levels deep (C:\Pictures\Holidays\Coast): first with the drive
# selector dropped down (OUT), then with it closed (OUT with "-closed").
# Needs the cross build (controls_screen.exe). Uses a Wine prefix of its own
# with the X11 graphics driver (the test prefix is headless).
# Usage: tests/controls/screenshot.sh [OUT.png]   (default: build/folder-controls.png)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$top/build
out=${1:-$build/folder-controls.png}
prefix=$build/wineprefix-x11
display=:$(( 90 + RANDOM % 9 ))
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 TZ=UTC

[ -f "$build/controls_screen.exe" ] || { echo "build controls_screen first" >&2; exit 1; }
if [ ! -f "$prefix/.vistaroam-ready" ]; then
  rm -rf "$prefix"
  DISPLAY= wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  touch "$prefix/.vistaroam-ready"
fi
coast=$prefix/drive_c/Pictures/Holidays/Coast
mkdir -p "$coast/Beach" "$coast/Harbour" "$coast/Lighthouse" "$coast/dunes"

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; DISPLAY= wineserver -k 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display wine "$build/controls_screen.exe" 'C:\Pictures\Holidays\Coast' 16 >/dev/null 2>&1 &
program=$!
sleep 7
/usr/bin/import -display "$display" -window root "$out"
sleep 6
/usr/bin/import -display "$display" -window root "${out%.png}-closed.png"
wait $program || true
echo "screenshots: $out ${out%.png}-closed.png"
