#!/usr/bin/env bash
# Screenshots of the main window under Xvfb, the folder list in a folder
# three levels deep (C:\Pictures\Holidays\Coast): first with the drive
# selector dropped down (OUT), then with it closed (OUT with "-closed").
# Needs the cross build (controls_screen.exe). Runs in the copy of the test
# prefix that has Wine's X11 graphics driver (the test prefix is headless).
# Usage: tests/controls/screenshot.sh [OUT.png]   (default: build/folder-controls.png)
set -euo pipefail
. "$(dirname "$0")/../../scripts/lib.sh"
build=$top/build
out=${1:-$build/folder-controls.png}

[ -f "$build/controls_screen.exe" ] || { echo "build controls_screen first" >&2; exit 1; }
make_x11_prefix "$build"
use_wine "$build"
export WINEPREFIX=$build/wineprefix-x11
# The window starts from its defaults, not from settings a test run stored.
# (The server is let go first: the program's own start must open the screen.)
wine reg delete 'HKCU\Software\Quorvane\Vistaroam' /f >/dev/null 2>&1 || true
wineserver -w
coast=$WINEPREFIX/drive_c/Pictures/Holidays/Coast
mkdir -p "$coast/Beach" "$coast/Harbour" "$coast/Lighthouse" "$coast/dunes"

start_xvfb
trap 'kill $xvfb_pid 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
DISPLAY=$xvfb_display wine "$build/controls_screen.exe" 'C:\Pictures\Holidays\Coast' 16 >/dev/null 2>&1 &
program=$!
sleep 7
/usr/bin/import -display "$xvfb_display" -window root "$out"
sleep 6
/usr/bin/import -display "$xvfb_display" -window root "${out%.png}-closed.png"
wait $program || true
echo "screenshots: $out ${out%.png}-closed.png"
