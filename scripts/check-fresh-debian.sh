#!/usr/bin/env bash
# Tries the README's two commands as a new machine meets them: a Debian 12 root
# made by mmdebstrap (only apt, git and certificates), this checkout's HEAD
# cloned into it, `./run.sh --simulate` started and `./test.sh` run.
#
#   sudo scripts/check-fresh-debian.sh [TEST.SH ARGS...]    e.g. -- -R pipewire
#
# The root's tarball is kept in $VK_FRESH_CACHE (/var/tmp/vk-fresh-debian), so a
# second check starts in seconds; every check unpacks a new root and removes it
# afterwards. Exit 0 when both commands passed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${VK_FRESH_CACHE:-/var/tmp/vk-fresh-debian}

[[ $(id -u) -eq 0 ]] || { echo "$0: needs root (a chroot with /proc, /sys and /dev bound in)" >&2; exit 2; }
command -v mmdebstrap >/dev/null || { echo "$0: needs mmdebstrap (apt-get install mmdebstrap)" >&2; exit 2; }

mkdir -p "$cache"
tarball=$cache/bookworm-apt.tar
if [[ ! -f $tarball ]]; then
  echo "== making a fresh Debian 12 root (once; kept in $tarball)"
  mmdebstrap --variant=apt --format=tar --include=git,ca-certificates bookworm "$tarball.part"
  mv "$tarball.part" "$tarball"
fi

root=$(mktemp -d "$cache/root.XXXXXX")
mounts=(proc sys dev dev/pts dev/shm)
cleanup() {
  local i
  for (( i=${#mounts[@]}-1; i>=0; i-- )); do umount -l "$root/${mounts[i]}" 2>/dev/null || true; done
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
tar -C "$root" -xf "$tarball"
for m in "${mounts[@]}"; do mount --bind "/$m" "$root/$m"; done
cp /etc/resolv.conf "$root/etc/resolv.conf"
git -C "$here" bundle create -q "$root/project.bundle" HEAD

test_args=""
(( $# == 0 )) || printf -v test_args '%q ' "$@"
set +e
chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 TERM=dumb \
  /bin/bash -c "
set -euo pipefail
git clone -q /project.bundle /root/vk550 && cd /root/vk550
echo '== ./run.sh --simulate'
./run.sh --version
status=0
QT_QPA_PLATFORM=offscreen timeout 20 ./run.sh --simulate || status=\$?
if [[ \$status -ne 124 ]]; then echo \"the wizard did not keep running (exit \$status)\" >&2; exit 10; fi
echo '   the wizard started and ran until it was stopped'
echo '== ./test.sh $test_args'
./test.sh $test_args || exit 11
"
status=$?
set -e
case $status in
  0) echo "fresh Debian 12: ./run.sh --simulate and ./test.sh passed" ;;
  10) echo "fresh Debian 12: ./run.sh --simulate FAILED" ;;
  11) echo "fresh Debian 12: ./run.sh passed, ./test.sh FAILED" ;;
  *) echo "fresh Debian 12: the check itself failed (exit $status)" ;;
esac
exit $status
