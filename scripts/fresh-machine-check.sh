#!/usr/bin/env bash
# Tries the README's two commands as a new user would, on a fresh Debian 12 root with a mirror that is
# partly broken: the security suite gives amd64 only (as when its i386 index fails, so 32-bit Wine cannot
# be installed) and one extra package source always fails. Needs root and debootstrap; not part of the
# test command.
#
# Usage: sudo bash scripts/fresh-machine-check.sh [ROOT_DIR]   (default /var/tmp/tolvane-fresh)
# The clean root is kept as ROOT_DIR.tar for the next try; the commands' output goes to ROOT_DIR.log.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
root=${1:-/var/tmp/tolvane-fresh}
# The mirrors this machine's own apt sources name, as the set-up's apt-get uses them.
. scripts/lib/apt_sources.sh
archive=$(apt_source_uri bookworm) || { echo "fresh-machine-check: no apt source of this machine serves bookworm" >&2; exit 2; }
security=$(apt_source_uri bookworm-security) ||
  { echo "fresh-machine-check: no apt source of this machine serves bookworm-security" >&2; exit 2; }

[ "$(id -u)" -eq 0 ] || { echo "fresh-machine-check: run as root" >&2; exit 2; }
command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap >/dev/null

unmount_all() {
  for m in dev/shm dev/pts dev sys proc; do
    mountpoint -q "$root/$m" && umount -l "$root/$m"
  done
  return 0
}
trap unmount_all EXIT
unmount_all
rm -rf "$root"
if [ -f "$root.tar" ]; then
  mkdir -p "$root" && tar -C "$root" -xf "$root.tar"
else
  debootstrap --variant=minbase --include=git,ca-certificates bookworm "$root" "$archive" >/dev/null
  tar -C "$root" -cf "$root.tar" .
fi

rm -f "$root/etc/apt/sources.list"
cat >"$root/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $archive
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: $security
Suites: bookworm-security
Components: main
Architectures: amd64
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://127.0.0.1:9/debian
Suites: bookworm
Components: main
Trusted: yes
EOF
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs tmpfs "$root/dev/shm"

git clone -q --no-local "$repo" "$root/root/tolvane"
log="$root.log"
: >"$log"
run_step() {
  local name=$1 start rc
  shift
  start=$(date +%s)
  echo "=== $name" | tee -a "$log"
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin CI=true \
    bash -c "cd /root/tolvane && $*" </dev/null >>"$log" 2>&1
  rc=$?
  echo "=== $name: exit $rc after $(($(date +%s) - start)) s" | tee -a "$log"
  return $rc
}
set +e
run_step "test command" bash scripts/test-all.sh
test_rc=$?
run_step "run command" bash scripts/run.sh --headless
run_rc=$?
grep -E '^setup:|^=== .*(passed|skipped|FAILED)|^total:' "$log"
[ $test_rc -eq 0 ] && [ $run_rc -eq 0 ]
