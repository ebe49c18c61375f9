#!/usr/bin/env bash
# Proves the README's test command on a bare machine: makes a minimal Debian root with
# debootstrap from this machine's configured package sources, copies a clean clone of the
# repository's HEAD into it and runs `./build.sh test` there as root, then prints the summary.
#   tools/fresh-machine-check.sh [FOLDER]     (default /var/tmp/qm-fresh-root; made anew)
# Not part of the test command: it downloads the whole tool chain. Run it as root.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
target=${1:-/var/tmp/qm-fresh-root}
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
log() { echo "fresh-machine-check: $*" >&2; }

[[ $(id -u) -eq 0 ]] || { log "run it as root"; exit 2; }
if ! command -v debootstrap >/dev/null; then
  apt-get update -qq || log "apt-get update failed; going on with the package lists at hand"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi

# The mirror: the first configured binary source that carries the release itself.
mirror=$("$here/tools/deb-src.sh" /etc/apt | awk -v s="$codename" '
  /^URIs:/ { uri = $2 }
  /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == s && uri != "") { print uri; exit } }')
[[ -n $mirror ]] || { log "no configured package source carries $codename"; exit 1; }

mounts=()
cleanup() {
  local m
  for (( i=${#mounts[@]}-1; i>=0; i-- )); do umount -l "${mounts[$i]}" 2>/dev/null || true; done
}
trap cleanup EXIT

for m in dev/shm dev proc tmp; do
  mountpoint -q "$target/$m" 2>/dev/null && umount -l "$target/$m"
done
rm -rf "$target"
mkdir -p "$target"
start=$(date +%s)
log "debootstrap $codename from the configured mirror into $target"
debootstrap --variant=minbase "$codename" "$target" "$mirror" >"$target.debootstrap.log" 2>&1 \
  || { tail -n 20 "$target.debootstrap.log" >&2; exit 1; }

# The bare root takes this machine's package sources (binary entries only), as a new machine of
# the same kind would have them.
rm -f "$target/etc/apt/sources.list"
mkdir -p "$target/etc/apt/sources.list.d"
for f in /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list /etc/apt/sources.list; do
  [[ -f $f ]] || continue
  case $(basename "$f") in quillmoor-src.sources) continue ;; esac
  if grep -qE '^(Types:.*\bdeb\b|deb )' "$f" && ! grep -qE 'Enabled: *no' "$f"; then
    cp "$f" "$target/etc/apt/sources.list.d/" 2>/dev/null || cp "$f" "$target/etc/apt/"
  fi
done
cp /etc/resolv.conf "$target/etc/resolv.conf"

# A clean clone of what is committed.
mkdir -p "$target/work"
git clone -q "$here" "$target/work/quillmoor"

for m in proc dev dev/shm tmp; do
  mount --bind "/$m" "$target/$m"
  mounts+=("$target/$m")
done

log "running ./build.sh test in the bare root"
rc=0
chroot "$target" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 TERM=dumb /bin/bash -c 'cd /work/quillmoor && ./build.sh test' >"$target.test.log" 2>&1 || rc=$?
end=$(date +%s)

echo "fresh-machine-check: ./build.sh test exited $rc after $(( end - start )) s (debootstrap included); log $target.test.log"
grep -E 'tests passed|tests failed|Total Test time' "$target.test.log" || true
grep -E '^fuzz: ' "$target.test.log" | tail -n 3 || true
grep -E '\*\*\*(Failed|Timeout)|Not Run' "$target.test.log" || true
exit $rc
