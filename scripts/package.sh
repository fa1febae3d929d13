#!/usr/bin/env bash
# Builds the release packages dist/Tolvane-<version>-win64.zip and -win32.zip, each with Tolvane.exe,
# Qarnet.dll, tolvane-cli.exe, Brandmark.jpg and the read-me (English and Chinese) of one bitness. The
# three programs go in without their symbol tables; each one's symbols lie beside the zip as
# dist/Tolvane-<version>-<bitness>-<program>.debug. For 64-bit Windows it also builds the Windows 11
# menu package dist/Tolvane-<version>-win64-menu.msix, unsigned, for the publisher named in
# TOLVANE_PUBLISHER: exactly the subject of the certificate that will sign it (by default a test subject
# that no Windows trusts).
# Usage: [TOLVANE_PUBLISHER="CN=..."] scripts/package.sh [win64] [win32]   (both when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

version=$(sed -nE 's/^project\(Tolvane VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
publisher=${TOLVANE_PUBLISHER:-CN=Tolvane Test Signing (not trusted)}
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win64 win32)
mkdir -p dist

for preset in "${presets[@]}"; do
  case "$preset" in
    win64) tools=x86_64-w64-mingw32- ;;
    win32) tools=i686-w64-mingw32- ;;
    *) echo "package: unknown preset $preset" >&2; exit 1 ;;
  esac
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target Tolvane tolvane-cli -j "${TOLVANE_JOBS:-2}"

  program_dir="build/$preset/installer"
  stem="Tolvane-$version-$preset"
  cli="build/$preset/cli/tolvane-cli.exe"
  for file in "$program_dir/Tolvane.exe" "$program_dir/Qarnet.dll" "$program_dir/Brandmark.jpg" "$cli"; do
    [ -f "$file" ] || { echo "package: $file is missing" >&2; exit 1; }
  done
  stage=$(mktemp -d)
  trap 'rm -rf "$stage"' EXIT
  bash packaging/strip_binaries.sh "$tools" "$stage" dist "$stem-" "$program_dir/Tolvane.exe" "$program_dir/Qarnet.dll" "$cli"
  cp "$program_dir/Brandmark.jpg" "$stage/"
  # Notepad on any Windows version reads UTF-8 reliably with a byte-order mark and CRLF line ends.
  {
    printf '\xef\xbb\xbf'
    sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$preset/g" -e 's/$/\r/' installer/ReadMe.txt
  } >"$stage/ReadMe.txt"

  package="dist/$stem.zip"
  rm -f "$package"
  (cd "$stage" && TZ=UTC zip -q -X -9 "$OLDPWD/$package" Tolvane.exe Qarnet.dll tolvane-cli.exe Brandmark.jpg ReadMe.txt)
  rm -rf "$stage"
  trap - EXIT
  echo "$package"
  ls "dist/$stem-"*.debug

  if [ "$preset" = win64 ]; then
    python3 packaging/make_menu_package.py --version "$version" --publisher "$publisher" \
      --output "dist/$stem-menu.msix"
    echo "dist/$stem-menu.msix (unsigned; publisher $publisher)"
  fi
done
