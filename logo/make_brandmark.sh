#!/usr/bin/env bash
# Draws Brandmark.jpg, the banner painted across the top 80 pixels of the dialogs: a navy band with a
# keyhole shield, the product name and an amber rule along the bottom edge. Run by hand when the design
# changes; the picture is committed.
set -euo pipefail
cd "$(dirname "$0")"

# A little narrower than the dialogs' bands, so that stretching only ever repeats columns and no
# stroke of the lettering is dropped.
width=440
height=80
convert -size ${height}x${width} gradient:'#0c2340-#1b5584' -rotate -90 \
  -fill '#e8a33d' -draw "rectangle 0,$((height - 5)) $width,$height" \
  -fill '#2f7fb8' -draw "roundrectangle 22,12 70,64 10,10" \
  -fill '#d9ecf7' -draw "roundrectangle 26,16 66,60 8,8" \
  -fill '#0c2340' -draw "circle 46,31 46,39" \
  -fill '#0c2340' -draw "polygon 42,36 50,36 53,52 39,52" \
  -font DejaVu-Sans-Bold -pointsize 34 -fill white -annotate +88+45 'Tolvane' \
  -font DejaVu-Sans -pointsize 13 -fill '#a9cbe4' -annotate +90+64 'File and folder encryption' \
  -quality 95 -interlace none -strip Brandmark.jpg
