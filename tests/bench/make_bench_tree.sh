#!/bin/sh
# Makes the tree of the folder-walk benchmark: 5,000 folders (50 with 99
# subfolders each) holding 95,000 empty files (19 in each folder), 100,000
# entries in all. Kept when it is already complete (ROOT.complete beside it).
set -e
root=$1
[ -f "$root.complete" ] && [ -d "$root" ] && exit 0
rm -rf "$root" "$root.complete"
mkdir -p "$root"
cd "$root"
files='F01.TXT F02.DAT F03.BIN F04.DOC F05.TXT F06.LOG F07.CFG F08.TXT F09.DAT F10.INI F11.TXT F12.XML F13.CSV F14.TXT F15.BAK F16.TMP F17.TXT F18.OUT F19.LST'
d=1
while [ $d -le 50 ]; do
  top=$(printf 'D%02d' $d)
  mkdir "$top"
  (cd "$top" && touch $files)
  s=1
  while [ $s -le 99 ]; do
    sub=$(printf '%s/S%02d' "$top" $s)
    mkdir "$sub"
    (cd "$sub" && touch $files)
    s=$((s + 1))
  done
  d=$((d + 1))
done
: > "$root.complete"
