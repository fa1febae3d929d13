#!/usr/bin/env bash
# Builds the release packages dist/Tolvane-<version>-win64.zip and -win32.zip, each with Tolvane.exe,
# Qarnet.dll, Brandmark.jpg and the read-me (English and Chinese) of one bitness.
# Usage: scripts/package.sh [win64] [win32]   (both when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

version=$(sed -nE 's/^project\(Tolvane VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win64 win32)
mkdir -p dist

for preset in "${presets[@]}"; do
  case "$preset" in
    win64 | win32) ;;
    *) echo "package: unknown preset $preset" >&2; exit 1 ;;
  esac
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target Tolvane -j "${TOLVANE_JOBS:-2}"

  program_dir="build/$preset/installer"
  stage=$(mktemp -d)
  trap 'rm -rf "$stage"' EXIT
  for file in Tolvane.exe Qarnet.dll Brandmark.jpg; do
    [ -f "$program_dir/$file" ] || { echo "package: $program_dir/$file is missing" >&2; exit 1; }
    cp "$program_dir/$file" "$stage/"
  done
  # Notepad on any Windows version reads UTF-8 reliably with a byte-order mark and CRLF line ends.
  {
    printf '\xef\xbb\xbf'
    sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$preset/g" -e 's/$/\r/' installer/ReadMe.txt
  } >"$stage/ReadMe.txt"

  package="dist/Tolvane-$version-$preset.zip"
  rm -f "$package"
  (cd "$stage" && TZ=UTC zip -q -X -9 "$OLDPWD/$package" Tolvane.exe Qarnet.dll Brandmark.jpg ReadMe.txt)
  rm -rf "$stage"
  trap - EXIT
  echo "$package"
done
