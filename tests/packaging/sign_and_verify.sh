#!/usr/bin/env bash
# Signs the menu package as a publisher would, with a throwaway certificate whose subject is the
# manifest's publisher, and verifies the signature. Signing rewrites the content types and adds the
# signature file, so the signed package must then still pass the block map check.
# Skipped (exit 77) without osslsigncode 2.6 or later, the first to know MSIX packages.
# Usage: sign_and_verify.sh package.msix check_block_map.py
set -euo pipefail
package=$1 checker=$2

command -v osslsigncode >/dev/null || { echo "skipped: osslsigncode is not installed"; exit 77; }
version=$(osslsigncode --version 2>&1 | sed -nE '1s/^osslsigncode ([0-9.]+).*/\1/p')
if ! printf '2.6\n%s\n' "$version" | sort -V -C; then
  echo "skipped: osslsigncode ${version:-of unknown version} cannot sign MSIX packages (2.6 or later can)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
publisher=$(unzip -p "$package" AppxManifest.xml | python3 -c '
import sys, xml.etree.ElementTree as ET
identity = "{http://schemas.microsoft.com/appx/manifest/foundation/windows10}Identity"
print(ET.parse(sys.stdin).getroot().find(identity).get("Publisher"))')
# Windows writes a subject from its most specific part (CN) on; OpenSSL's -subj from the least.
subject=$(python3 -c '
import sys
print("".join("/" + part.replace("/", "\\/") for part in reversed(sys.argv[1].split(", "))))' "$publisher")
echo "publisher: $publisher"
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "$subject" -addext extendedKeyUsage=codeSigning \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.pfx" -passout pass:throwaway

osslsigncode sign -pkcs12 "$work/cert.pfx" -pass throwaway -in "$package" -out "$work/signed.msix"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.msix"
python3 "$checker" "$work/signed.msix"
