#!/usr/bin/env bash
# The program must run on a bare Windows: it may import only system DLLs,
# never the MinGW runtime or zlib.
set -euo pipefail
exe=$1
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "imports:" $dlls
allowed=" kernel32.dll user32.dll gdi32.dll comctl32.dll winmm.dll advapi32.dll msimg32.dll mpr.dll msvcrt.dll shell32.dll ole32.dll "
bad=0
for d in $dlls; do
  case "$d" in api-ms-win-*) continue ;; esac
  case "$allowed" in *" $d "*) ;; *) echo "unexpected DLL import: $d"; bad=1 ;; esac
done
exit $bad
