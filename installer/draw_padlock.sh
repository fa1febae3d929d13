#!/usr/bin/env bash
# Draws the padlock tile of Tolvane's icon and logos (a gold padlock on a teal tile) as one 192-pixel
# PNG, from which every icon and logo size is reduced, so all of them keep the same proportions.
# Usage: installer/draw_padlock.sh output.png
set -euo pipefail

convert -size 192x192 xc:'#0B4F59' \
    -fill '#12707D' -draw 'rectangle 6,6 185,185' \
    -fill none -stroke '#E8E4D8' -strokewidth 20 -draw 'arc 56,28 136,108 180,360' \
    -stroke none -fill '#E8E4D8' -draw 'rectangle 56,66 75,100' -draw 'rectangle 117,66 136,100' \
    -fill '#F2B705' -draw 'roundrectangle 36,92 156,170 14,14' \
    -fill '#C98F00' -draw 'rectangle 36,156 156,170' \
    -fill '#2B1F04' -draw 'circle 96,120 96,107' -draw 'polygon 89,124 103,124 108,152 84,152' \
    "$1"
