#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Non-interactive and idempotent: when
# everything is present it only checks and returns.
#
# Package mirrors fail now and then, one index at a time. A failed index does not stop the set-up:
# `apt-get update` is tried a few times, then the set-up goes on with the indexes that did load and names
# the ones that failed (an unreachable source too, though apt itself only warns of it). What the build and the 64-bit and native tests need is required; 32-bit Wine is
# optional (it needs the i386 index and a machine that executes 32-bit code), and without it the win32
# preset is built and checked and its test runs are reported as skipped.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/i386.sh

required=(
  build-essential cmake ninja-build git pkg-config
  clang-14 libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libssl-dev openssl
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 wine64-tools
  xvfb x11-apps imagemagick fonts-wqy-microhei fonts-wine
  locales zip unzip python3
)
optional_wine32=wine32:i386

say() { echo "setup: $*" >&2; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${required[@]}"; do
  installed "$p" || missing+=("$p")
done
want_wine32=0
if ! installed "$optional_wine32"; then
  if ! i386_can_execute; then
    say "32-bit Wine skipped: this machine cannot execute 32-bit code; the win32 preset is built and checked, its test runs reported as skipped"
  else
    want_wine32=1
  fi
fi
[ ${#missing[@]} -eq 0 ] && [ $want_wine32 -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT

if [ $want_wine32 -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

# apt-get update keeps every index that loaded. A broken index exits non-zero; an unreachable source
# only warns. Either way the failed ones are named, after a few tries.
failed=""
for attempt in 1 2 3; do
  $SUDO apt-get update -qq >"$log" 2>&1
  rc=$?
  failed=$(grep -E '^(E|W): (Failed to fetch|Some index files failed)|^Err:' "$log" || true)
  [ $rc -eq 0 ] && [ -z "$failed" ] && break
  [ $attempt -lt 3 ] && sleep $((attempt * 5))
done
if [ $rc -ne 0 ] || [ -n "$failed" ]; then
  say "some package indexes failed to load after 3 tries; going on with those that loaded. Failed:"
  sed 's/^/setup:   /' <<<"${failed:-$(grep -E '^E:' "$log")}" >&2
fi

if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  ok=0
  for attempt in 1 2; do
    if $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
      ok=1
      break
    fi
  done
  if [ $ok -eq 0 ]; then
    say "cannot install the packages the build and tests need: ${missing[*]}"
    say "apt said:"
    grep -E '^(E|W):|Depends:|Unable|unmet' "$log" | head -20 | sed 's/^/setup:   /' >&2
    exit 1
  fi
fi

if [ $want_wine32 -eq 1 ]; then
  if $SUDO apt-get install -y -qq --no-install-recommends "$optional_wine32" >"$log" 2>&1; then
    say "installed $optional_wine32"
  else
    why=$(grep -E '^E:|Depends:' "$log" | head -2 | tr '\n' ' ' | sed 's/  */ /g')
    say "32-bit Wine could not be installed (${why:-apt failed}); the win32 preset is built and checked, its test runs reported as skipped"
  fi
fi
exit 0
