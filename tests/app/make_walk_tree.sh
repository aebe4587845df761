#!/bin/sh
# Makes the folder trees that only the Linux side can make for the walk
# tests: links that dangle or loop back to an ancestor, a tree deeper than
# any path the system allows, names of 250 characters, and names too long
# for the A functions' MAX_PATH bytes.
set -e
root=$1
rm -rf "$root"
mkdir -p "$root/links/sub" "$root/deep" "$root/long"
: > "$root/links/A.JPG"
: > "$root/links/sub/B.JPG"
ln -s "$root/links" "$root/links/sub/loop"        # back to an ancestor
ln -s "$root/links/nowhere" "$root/links/dangling" # points at nothing
d="$root/deep"
i=0
while [ $i -lt 100 ]; do d="$d/level$i"; i=$((i + 1)); done
mkdir -p "$d"
: > "$root/deep/level0/TOP.JPG"
: > "$d/BOTTOM.JPG"
name=$(printf 'n%.0s' $(seq 1 246))
: > "$root/long/$name.JPG"
mkdir -p "$root/long/$name"
: > "$root/long/$name/IN.JPG"

# Bytes that are not UTF-8 each reach the program as U+FFFD, three bytes in
# UTF-8: names of 255 bytes here are 765 bytes there, as a name of 255 CJK
# characters is on Windows.
mkdir -p "$root/unfit"
unfit=$(printf '\377%.0s' $(seq 1 250))
: > "$root/unfit/A.JPG"
: > "$root/unfit/B.JPG$unfit"
mkdir -p "$root/unfit/C.BMP$unfit"
: > "$root/unfit/C.BMP$unfit/IN.BMP"
: > "$root/unfit/Z.JPG"

# The stress run's tree: the test fills stress/gen; stress/cycle holds a link
# back to itself so that the walk meets a loop.
mkdir -p "$root/stress/gen" "$root/stress/cycle"
: > "$root/stress/cycle/CYCLE.JPG"
ln -s "$root/stress/cycle" "$root/stress/cycle/again"
