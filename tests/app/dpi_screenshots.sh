#!/usr/bin/env bash
# Screenshots of the main window under Xvfb at 96, 120, 144 and 192 dpi
# (the prefix's LogPixels), to look at: no caption cut, no control over
# another. Needs the cross build (vistaroam.exe). Runs in the copy of the
# test prefix that has Wine's X11 graphics driver.
# Usage: [DPIS="96 144"] tests/app/dpi_screenshots.sh [OUT-PREFIX]   (default: build/main-window;
#        writes OUT-PREFIX-DPI.png)
set -euo pipefail
. "$(dirname "$0")/../../scripts/lib.sh"
build=$top/build
out=${1:-$build/main-window}

[ -f "$build/vistaroam.exe" ] || { echo "build vistaroam first" >&2; exit 1; }
make_x11_prefix "$build"
use_wine "$build"
export WINEPREFIX=$build/wineprefix-x11
start_xvfb
desktop='HKCU\Control Panel\Desktop'
trap 'kill $xvfb_pid 2>/dev/null || true; wine reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1 || true; wineserver -k 2>/dev/null || true' EXIT
for dpi in ${DPIS:-96 120 144 192}; do
  # The window starts from its defaults; the dpi is read when it starts.
  wine reg delete 'HKCU\Software\Quorvane\Vistaroam' /f >/dev/null 2>&1 || true
  wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  DISPLAY=$xvfb_display wine "$build/vistaroam.exe" >/dev/null 2>&1 &
  program=$!
  # Once the main window is there, the splash has its time and goes.
  for _ in $(seq 120); do
    DISPLAY=$xvfb_display xwininfo -root -tree 2>/dev/null | grep -q '"Vistaroam": ("vistaroam.exe"' && break
    sleep 0.5
  done
  sleep 5
  /usr/bin/import -display "$xvfb_display" -window root "$out-$dpi.png"
  wineserver -k 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  wineserver -w 2>/dev/null || true
done
echo "screenshots: $out-{96,120,144,192}.png"
