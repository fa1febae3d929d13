#!/usr/bin/env bash
# Fails when the shipped Tolvane.exe carries the seam of its test build: the functions that read the
# test's settings, or the names of the variables they read. The symbol table must name the installer's
# procedures, or the check would prove nothing.
set -euo pipefail
nm=$1 binary=$2
symbols=$("$nm" -C "$binary")
grep -q 'RegisterMenuPackage' <<<"$symbols" || { echo "no installer symbols in $binary: cannot check"; exit 1; }
seam=$(grep -E 'WindowsBuildOverride|PowerShellOverride' <<<"$symbols" || true)
texts=$(strings -el "$binary" | grep 'TOLVANE_SEAM_' || true)
if [ -n "$seam$texts" ]; then
  echo "$(basename "$binary") carries the installer seam:"
  printf '%s\n' "$seam" "$texts" | sed '/^$/d'
  exit 1
fi
echo "$(basename "$binary"): no installer seam"
