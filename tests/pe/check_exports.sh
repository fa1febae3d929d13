#!/usr/bin/env bash
# Fails unless the DLL exports exactly the given names, undecorated.
set -euo pipefail
objdump=$1 binary=$2
shift 2
expected=$(printf '%s\n' "$@" | sort)
actual=$("$objdump" -p "$binary" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^[[:space:]]*\[/{print $NF;next} t&&!/^[[:space:]]*\[/{t=0}' | sort)
echo "exports: $(tr '\n' ' ' <<<"$actual")"
if [ "$expected" != "$actual" ]; then
  echo "expected exactly: $(tr '\n' ' ' <<<"$expected")"
  exit 1
fi
