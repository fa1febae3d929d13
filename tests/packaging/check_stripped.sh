#!/usr/bin/env bash
# Fails unless a release binary carries no symbol table and a debug link to its debug file, whose name
# and checksum the link records, and the debug file holds every symbol of the binary as it was built.
# Usage: check_stripped.sh TOOL_PREFIX BUILT_BINARY RELEASE_BINARY DEBUG_FILE
set -euo pipefail
tools=$1 built=$2 release=$3 debug=$4
symbols() { "${tools}nm" "$1" 2>/dev/null | wc -l; }

built_symbols=$(symbols "$built")
echo "$(basename "$release"): $built_symbols symbols built, $(symbols "$release") released," \
  "$(symbols "$debug") in $(basename "$debug")"
[ "$(symbols "$release")" -eq 0 ] || { echo "the release binary still has its symbol table"; exit 1; }
[ "$built_symbols" -gt 0 ] && [ "$(symbols "$debug")" -eq "$built_symbols" ] ||
  { echo "the debug file does not hold the built binary's symbols"; exit 1; }

link=$(mktemp)
trap 'rm -f "$link" "$link.out"' EXIT
# objcopy only warns when the section is missing, leaving the dump empty.
"${tools}objcopy" --dump-section .gnu_debuglink="$link" "$release" "$link.out" 2>/dev/null || true
python3 - "$link" "$debug" <<'PY'
import os, sys, zlib
link, debug = open(sys.argv[1], "rb").read(), sys.argv[2]
if not link:
    sys.exit("the release binary has no debug link")
name, crc = link.split(b"\0")[0].decode(), int.from_bytes(link[-4:], "little")
print(f"debug link: {name}, checksum {crc:08x}")
if name != os.path.basename(debug) or crc != zlib.crc32(open(debug, "rb").read()):
    sys.exit(f"the debug link does not name {os.path.basename(debug)} with its checksum")
PY
