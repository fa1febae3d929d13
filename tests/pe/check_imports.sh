#!/usr/bin/env bash
# Fails when a Windows binary imports a DLL that does not ship with Windows (a compiler runtime, say).
set -euo pipefail
objdump=$1 binary=$2
allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|comdlg32|msvcrt|ucrtbase|ntdll|bcrypt|version|uxtheme|api-ms-win-[a-z0-9-]+)\.dll$'
imports=$("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || { echo "no imports found in $binary"; exit 1; }
bad=$(grep -Ev "$allowed" <<<"$imports" || true)
echo "imports of $(basename "$binary"): $(tr '\n' ' ' <<<"$imports")"
if [ -n "$bad" ]; then
  echo "not a Windows DLL: $bad"
  exit 1
fi
