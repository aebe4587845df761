#!/bin/sh
# Draws the JPEG pictures of samples/pictures with ImageMagick: a baseline
# colour scene, a progressive one and a grey one. Run: tools/draw_jpeg_samples.sh
set -e
out=$(cd "$(dirname "$0")/../samples/pictures" && pwd)
im=/usr/bin/convert

# Boats on a harbour at dusk: gradients, hard edges and small detail.
$im -size 320x200 gradient:'#2b1e5c'-'#f08a4b' \
  -fill '#1d3557' -draw 'rectangle 0,130 320,200' \
  -fill '#f4d35e' -draw 'circle 240,110 240,92' \
  -fill '#e63946' -draw 'polygon 40,150 110,150 98,165 52,165' \
  -fill '#f1faee' -draw 'polygon 74,148 74,100 104,146' \
  -fill '#457b9d' -draw 'polygon 160,158 220,158 210,170 170,170' \
  -fill '#f1faee' -draw 'polygon 188,156 188,118 210,154' \
  -quality 85 -sampling-factor 2x2 "$out/harbour_dusk.jpg"

# Tiles in four colours, stored progressively (several scans).
$im -size 64x48 pattern:checkerboard -scale 400% \
  \( -size 256x192 gradient:'#0077b6'-'#ffb703' \) -compose multiply -composite \
  -interlace JPEG -quality 80 "$out/tiles_progressive.jpg"

# A grey ramp with a dark square: one grey component.
$im -size 200x150 gradient:white-black -rotate 90 -resize 200x150! \
  -fill '#1e1e1e' -draw 'rectangle 50,40 100,90' \
  -colorspace Gray -type Grayscale -quality 85 "$out/ramp_grey.jpg"
echo "drew $out/harbour_dusk.jpg, $out/tiles_progressive.jpg and $out/ramp_grey.jpg"
