#!/usr/bin/env bash
# Draws the application icon (a gold padlock on a teal tile) and writes installer/tolvane.ico with
# 48, 32 and 16 pixel images in 16 and in 256 colours. Palette images carry no alpha channel, so the
# tile fills the whole square and needs no transparency mask.
# Usage: installer/make_icon.sh [output.ico]
set -euo pipefail

out="${1:-$(dirname "$0")/tolvane.ico}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Drawn large once, then reduced per size, so every size keeps the same proportions.
convert -size 192x192 xc:'#0B4F59' \
    -fill '#12707D' -draw 'rectangle 6,6 185,185' \
    -fill none -stroke '#E8E4D8' -strokewidth 20 -draw 'arc 56,28 136,108 180,360' \
    -stroke none -fill '#E8E4D8' -draw 'rectangle 56,66 75,100' -draw 'rectangle 117,66 136,100' \
    -fill '#F2B705' -draw 'roundrectangle 36,92 156,170 14,14' \
    -fill '#C98F00' -draw 'rectangle 36,156 156,170' \
    -fill '#2B1F04' -draw 'circle 96,120 96,107' -draw 'polygon 89,124 103,124 108,152 84,152' \
    "$work/master.png"

images=()
for colours in 16 256; do
    for size in 48 32 16; do
        image="$work/icon_${colours}_${size}.bmp"
        convert "$work/master.png" -resize "${size}x${size}" -alpha off +dither -colors "$colours" -type Palette "BMP3:$image"
        images+=("$image")
    done
done
convert "${images[@]}" "$out"
