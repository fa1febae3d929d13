#!/usr/bin/env bash
# Fails when a shipped binary carries the fault-injection seam that only the test builds may have. The
# binary's symbol table must name the engine's procedures, or the check would prove nothing.
set -euo pipefail
nm=$1 binary=$2
symbols=$("$nm" -C "$binary")
grep -q 'EncryptEntry' <<<"$symbols" || { echo "no engine symbols in $binary: cannot check"; exit 1; }
seam=$(grep -E 'ArmFault|DisarmFaults|StartCountingFileOps|FaultOperationCount|CheckFault' <<<"$symbols" || true)
if [ -n "$seam" ]; then
  echo "$(basename "$binary") carries the fault seam:"
  echo "$seam"
  exit 1
fi
echo "$(basename "$binary"): no fault seam"
