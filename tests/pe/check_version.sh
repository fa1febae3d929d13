#!/usr/bin/env bash
# Fails unless the binary's version block carries the project's version (a.b.c.d) as its file and product
# version numbers.
set -euo pipefail
windres=$1 binary=$2 version=$3
numbers=${version//./, }
block=$("$windres" -i "$binary" -O rc | sed -n '/VERSIONINFO/,/^BEGIN/p')
echo "$block"
for field in FILEVERSION PRODUCTVERSION; do
  if ! grep -qx " $field $numbers" <<<"$block"; then
    echo "expected $field $numbers"
    exit 1
  fi
done
