#!/usr/bin/env bash
# Fails unless a program that runs elevated imports only libraries that Windows loads from its system
# folder whatever lies beside the program (the known DLLs, and ntdll, which is in every process), and
# imports each function named after the binary (such as SetDefaultDllDirectories, which must take effect
# before anything is loaded by name).
set -euo pipefail
objdump=$1 binary=$2
shift 2
known='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comdlg32|msvcrt|ntdll|imm32|rpcrt4|combase|sechost|shcore|setupapi|psapi|ws2_32|normaliz|nsi|wldap32|clbcatq|coml2|imagehlp|msctf|gdiplus|difxapi)\.dll$'
dump=$("$objdump" -p "$binary")
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || { echo "no imports found in $binary"; exit 1; }
echo "imports of $(basename "$binary"): $(tr '\n' ' ' <<<"$imports")"
bad=$(grep -Ev "$known" <<<"$imports" || true)
if [ -n "$bad" ]; then
  echo "not a known DLL, so looked for beside the program first: $bad"
  exit 1
fi
for function in "$@"; do
  if ! grep -Eq "^\s+[0-9a-f]+\s+[0-9]+\s+$function\$" <<<"$dump"; then
    echo "$function is not imported"
    exit 1
  fi
done
