#!/bin/sh
# Draws the product's start picture (336 x 200 JPEG) and the About window's
# logo (157 x 78 bitmap) into resources/, with ImageMagick and the DejaVu fonts.
# Run it after changing the artwork: tools/draw_start_picture.sh
set -e
out=$(cd "$(dirname "$0")/../resources" && pwd)
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
im=/usr/bin/convert

# A dusk sky over rolling hills, a sun, and the product name.
$im -size 336x200 gradient:'#1b2a6b'-'#f3a45b' \
  -fill '#ffd27a' -draw 'circle 250,120 250,92' \
  -fill '#2f5d3a' -draw 'path "M 0,150 Q 60,110 130,140 T 260,135 T 336,128 L 336,200 L 0,200 Z"' \
  -fill '#1f4029' -draw 'path "M 0,175 Q 90,140 180,170 T 336,160 L 336,200 L 0,200 Z"' \
  -font "$font" -pointsize 40 -fill '#0b1030' -annotate +22+68 'Vistaroam' \
  -fill '#fff6e0' -annotate +20+66 'Vistaroam' \
  -font "$font" -pointsize 13 -fill '#fff6e0' -annotate +24+90 'pictures and sounds, one after another' \
  -quality 88 -sampling-factor 2x2 "$out/startpicture.jpg"

# The logo: the same scene, small, in a 24-bit bitmap.
$im "$out/startpicture.jpg" -resize 157x78! -type TrueColor BMP3:"$out/aboutlogo.bmp"
# The program's icon (also shown in the About window): the sun over the hills.
$im "$out/startpicture.jpg" -crop 120x120+190+70 +repage \( -clone 0 -resize 32x32! \) \( -clone 0 -resize 16x16! \) \
  -delete 0 -type TrueColor "$out/vistaroam.ico"
echo "drew $out/startpicture.jpg, $out/aboutlogo.bmp and $out/vistaroam.ico"
