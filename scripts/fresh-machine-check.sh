#!/usr/bin/env bash
# Runs the README's first command and then .ci/run, exactly as they stand, in
# a minimal Debian root as a new machine would: nothing installed but what
# `debootstrap --variant=minbase` gives, so that a script that runs a program
# it never installs fails here rather than on the next new machine.
#
#   scripts/fresh-machine-check.sh [--fresh]
#
# The bootstrapped root is kept in VRB_FRESH_DIR (default
# /var/tmp/vrbaseio-fresh) and reused; --fresh bootstraps it again. Every run
# works in a copy of it, which it removes afterwards, so that what one run
# installed never hides a missing install step from the next. The copy gets
# what every machine of ours is set up with for reaching the package
# registries, read from this machine now and never kept in the tree: its apt
# sources and settings, resolver, /etc/hosts and the local CA certificates
# (installed first of all). The commands run in a clean clone of HEAD under
# chroot, with /proc, /sys, /dev, /dev/pts and /dev/shm mounted and the
# machine's own network, loopback included. Logs stay in VRB_FRESH_DIR/logs.
#
# Ends with one line per command: passed or failed, and its time. Exits
# non-zero when either failed. Takes about 40 minutes on 2 cores (a new
# bootstrap adds 2 or 3). Root only.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
base=${VRB_FRESH_DIR:-/var/tmp/vrbaseio-fresh}
pristine=$base/pristine
root=$base/root
logs=$base/logs
checkout=/work/vrbaseio

fresh=0
case "${1:-}" in
  --fresh) fresh=1 ;;
  "") ;;
  *) sed -n '2,22p' "$0" >&2; exit 2 ;;
esac
die() { echo "fresh-machine-check: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || die "needs root (debootstrap, chroot and mounts)"

# The suite of the release this machine runs: the root is the same Debian.
. /etc/os-release
suite=${VERSION_CODENAME:?no VERSION_CODENAME in /etc/os-release}

mounted=()
# Ends whatever still runs inside the copy (a test cluster, Wine's server),
# unmounts in reverse order and removes the copy. Safe to call twice.
cleanup() {
  local pid link i
  if [ -d "$root" ]; then
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
      link=$(readlink "/proc/$pid/root" 2>/dev/null) || continue
      [ "$link" = "$root" ] && kill -KILL "$pid" 2>/dev/null || true
    done
  fi
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
  done
  mounted=()
  if [ -d "$root" ]; then
    # Never remove through a mount that failed to come off.
    if grep -qF " $root/" /proc/mounts; then
      echo "fresh-machine-check: $root still has mounts; left in place" >&2
    else
      rm -rf "$root"
    fi
  fi
}
# The commands run in the background and are waited for, so that a signal
# is taken at once rather than when the command ends; exit runs cleanup.
interrupted() {
  trap - INT TERM
  echo "fresh-machine-check: interrupted; cleaning up" >&2
  exit "$1"
}
trap cleanup EXIT
trap 'interrupted 130' INT
trap 'interrupted 143' TERM

mount_into() { # TYPE-OR---bind SOURCE TARGET
  mkdir -p "$3"
  if [ "$1" = --bind ]; then mount --bind "$2" "$3"; else mount -t "$1" "$2" "$3"; fi
  mounted+=("$3")
}

# A copy left by an interrupted run goes first.
cleanup
mkdir -p "$base" "$logs"

install_debootstrap() {
  export DEBIAN_FRONTEND=noninteractive
  dpkg-query -W -f='${Status}' debootstrap 2>/dev/null | grep -q 'install ok installed' && return
  { apt-get update -qq && apt-get install -y -qq --no-install-recommends debootstrap </dev/null; } \
    >"$logs/install.log" 2>&1 || die "installing debootstrap failed; see $logs/install.log"
}

if [ $fresh = 1 ] || [ ! -f "$pristine/.bootstrapped" ]; then
  install_debootstrap
  mirror=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' | awk -v s="$suite" '$2 == s { print $1; exit }')
  [ -n "$mirror" ] || die "no apt source of this machine serves $suite"
  rm -rf "$pristine"
  echo "fresh-machine-check: bootstrapping Debian $suite from $mirror into $pristine"
  # ca-certificates is there so that the machine's own CA can be installed
  # before anything reaches a registry over https.
  debootstrap --variant=minbase --include=ca-certificates "$suite" "$pristine" "$mirror" \
    >"$logs/debootstrap.log" 2>&1 || die "debootstrap failed; see $logs/debootstrap.log"
  touch "$pristine/.bootstrapped"
fi

[ ! -e "$root" ] || die "$root is still there from an earlier run; unmount and remove it first"
echo "fresh-machine-check: copying the bootstrapped root"
cp -a "$pristine" "$root"
rm -f "$root/.bootstrapped"

# What this machine is set up with for reaching the registries.
rm -rf "$root/etc/apt/sources.list.d"
mkdir -p "$root/etc/apt/sources.list.d" "$root/etc/apt/apt.conf.d"
[ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$root/etc/apt/sources.list" ||
  rm -f "$root/etc/apt/sources.list"
for file in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -f "$file" ] && cp "$file" "$root/etc/apt/sources.list.d/"
done
# Settings the sources need (a frozen archive's Release files, for one).
for file in /etc/apt/apt.conf.d/*; do
  grep -q '^[[:space:]]*Acquire::' "$file" 2>/dev/null && cp "$file" "$root/etc/apt/apt.conf.d/"
done
for file in /etc/apt/trusted.gpg.d/* /etc/apt/keyrings/*; do
  [ -f "$file" ] && mkdir -p "$root$(dirname "$file")" && cp "$file" "$root$file"
done
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
cp /etc/hosts "$root/etc/hosts"
mkdir -p "$root/usr/local/share/ca-certificates"
cp -r /usr/local/share/ca-certificates/. "$root/usr/local/share/ca-certificates/"

mount_into proc proc "$root/proc"
mount_into sysfs sysfs "$root/sys"
mount_into --bind /dev "$root/dev"
mount_into --bind /dev/pts "$root/dev/pts"
mount_into tmpfs tmpfs "$root/dev/shm"

# As a new machine's root user starts: a clean environment.
in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}
in_root update-ca-certificates >"$logs/ca.log" 2>&1 || die "update-ca-certificates failed; see $logs/ca.log"

commit=$(git -C "$repo" rev-parse HEAD)
[ -z "$(git -C "$repo" status --porcelain --untracked-files=no)" ] ||
  echo "fresh-machine-check: uncommitted changes are not in the check; it runs ${commit:0:7}"
mkdir -p "$root$(dirname "$checkout")"
git clone -q --no-hardlinks "$repo" "$root$checkout"
git -C "$root$checkout" checkout -q --detach "$commit"

summary=()
status=0
# run NAME LOG COMMAND...: times COMMAND in the clone inside the root.
run() {
  local name=$1 log=$2 started outcome=passed seconds
  shift 2
  echo "fresh-machine-check: $name (log: $log)"
  started=$(date +%s)
  in_root "$@" >"$log" 2>&1 </dev/null &
  wait $! || { outcome=failed; status=1; }
  seconds=$(($(date +%s) - started))
  summary+=("$(printf '%-20s %s in %d min %02d s' "$name" "$outcome" $((seconds / 60)) $((seconds % 60)))")
  tail -5 "$log"
}
run scripts/example.sh "$logs/example.log" bash -c "cd $checkout && scripts/example.sh"
run .ci/run "$logs/ci.log" env CI=true bash -c "cd $checkout && bash .ci/run"

echo "== fresh-machine-check: ${commit:0:7} in a minimal Debian $suite root =="
printf '%s\n' "${summary[@]}"
exit $status
