#!/usr/bin/env bash
# Draws the application icon (a gold padlock on a teal tile) and writes installer/tolvane.ico with
# 48, 32 and 16 pixel images in 16 and in 256 colours. Palette images carry no alpha channel, so the
# tile fills the whole square and needs no transparency mask.
# Usage: installer/make_icon.sh [output.ico]
set -euo pipefail

out="${1:-$(dirname "$0")/tolvane.ico}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

bash "$(dirname "$0")/draw_padlock.sh" "$work/master.png"

images=()
for colours in 16 256; do
    for size in 48 32 16; do
        image="$work/icon_${colours}_${size}.bmp"
        convert "$work/master.png" -resize "${size}x${size}" -alpha off +dither -colors "$colours" -type Palette "BMP3:$image"
        images+=("$image")
    done
done
convert "${images[@]}" "$out"
