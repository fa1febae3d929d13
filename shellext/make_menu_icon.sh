#!/usr/bin/env bash
# Draws the icon of the Windows 11 menu entry: the padlock of the application icon
# (installer/make_icon.sh), alone on a transparent ground, and writes shellext/menu_padlock.ico with
# 32 and 16 pixel images in 32-bit colour with alpha. A menu may be light or dark, so the pale shackle
# and the body get a dark rim that the tile gave them in the application icon.
# Usage: shellext/make_menu_icon.sh [output.ico]
set -euo pipefail

out="${1:-$(dirname "$0")/menu_padlock.ico}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The application icon's padlock, with its coordinates, on a transparent 192 pixel square, then cut to
# the square around it (20..171 by 14..165) so that it fills the small images.
convert -size 192x192 xc:none \
    -fill none -stroke '#3A2C06' -strokewidth 28 -draw 'arc 56,28 136,108 180,360' \
    -stroke none -fill '#3A2C06' -draw 'rectangle 52,66 79,100' -draw 'rectangle 113,66 140,100' \
    -fill none -stroke '#E8E4D8' -strokewidth 20 -draw 'arc 56,28 136,108 180,360' \
    -stroke none -fill '#E8E4D8' -draw 'rectangle 56,66 75,100' -draw 'rectangle 117,66 136,100' \
    -fill '#3A2C06' -draw 'roundrectangle 32,88 160,174 16,16' \
    -fill '#F2B705' -draw 'roundrectangle 36,92 156,170 14,14' \
    -fill '#C98F00' -draw 'rectangle 36,156 156,170' \
    -fill '#2B1F04' -draw 'circle 96,120 96,107' -draw 'polygon 89,124 103,124 108,152 84,152' \
    -crop 152x152+20+14 +repage \
    "$work/master.png"

images=()
for size in 32 16; do
    image="$work/icon_${size}.png"
    convert "$work/master.png" -resize "${size}x${size}" -define png:color-type=6 "PNG32:$image"
    images+=("$image")
done
# Small images as 32-bit bitmaps with alpha, the form every version of Windows reads in an icon.
convert "${images[@]}" "ICO:$out"
