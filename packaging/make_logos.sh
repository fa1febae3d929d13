#!/usr/bin/env bash
# Draws the logos of the Windows 11 menu package from the padlock tile of the program's icon and writes
# them to packaging/images. Run by hand when the design changes; the images are committed, as the
# icon is.
set -euo pipefail
cd "$(dirname "$0")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
bash ../installer/draw_padlock.sh "$work/master.png"

# Without -strip and the time chunks excluded, every run would write different bytes.
for logo in StoreLogo:50 Square150x150Logo:150 Square44x44Logo:44; do
    name=${logo%%:*} size=${logo##*:}
    convert "$work/master.png" -resize "${size}x${size}" -strip -define png:exclude-chunks=date,time \
        "PNG32:images/$name.png"
done
