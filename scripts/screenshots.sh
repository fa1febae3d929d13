#!/usr/bin/env bash
# Photographs every dialog of Qarnet's dialog library in English and in simplified Chinese into
# docs/screenshots/, under Wine on the build tree's Xvfb display (window frames drawn by Wine, "宋体"
# replaced by WenQuanYi Micro Hei). Run by hand when the dialogs change; the pictures are committed.
#   scripts/screenshots.sh [build-dir]     (default build/screenshots-win64, configured if missing)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/screenshots-win64}"
out="$root/docs/screenshots"
mkdir -p "$out"

if [ ! -f "$build/build.ninja" ]; then
  cmake --preset win64 -B "$build" >/dev/null
fi
cmake --build "$build" --target dialog_gallery -j2 >/dev/null
gallery="$build/tests/dialogs/dialog_gallery.exe"
runner="$build/wine-run.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
rect="$work/rect.txt"
windows_rect="Z:${rect//\//\\}"

for locale in en_US zh_CN; do
  for dialog in encrypt encrypt-refused decrypt progress about; do
    rm -f "$rect"
    TOLVANE_LOCALE=$locale "$runner" "$gallery" "$dialog" "$windows_rect" &
    pid=$!
    for _ in $(seq 300); do
      [ -s "$rect" ] && break
      sleep 0.05
    done
    if [ ! -s "$rect" ]; then
      echo "no $dialog dialog appeared ($locale)" >&2
      kill "$pid" 2>/dev/null || true
      exit 1
    fi
    read -r w h x y <"$rect"
    display=":$(tr -d '\n' <"$build/wine-session/display")"
    xwd -root -silent -display "$display" | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage "$out/$dialog-$locale.png"
    rm -f "$rect"
    wait "$pid"
    echo "$out/$dialog-$locale.png"
  done
done
