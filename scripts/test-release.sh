#!/bin/sh
# Runs CI's checks (.ci/run) on another Debian release, as on a fresh
# machine of it: in a minimal chroot of RELEASE that debootstrap makes from
# the Debian archive this machine's apt already uses, with the last commit
# of this tree cloned into it and the graphics library's tarball (TARBALL)
# beside it, where CI's run looks for it; there as root, with no display and
# no standard input. Given a package built here (PACKAGE.deb, say this
# machine's own), it also installs that one there with apt and runs it, as
# a user who upgrades would. Whatever it mounted or made, it unmounts and
# removes at its end, on failure too, and it prints how long each part
# took.
#
# debootstrap names each release it knows by a script of its own; one it
# does not know yet (a testing release newer than it) is made with the
# script of the release it follows, sid's, which serves any of them.
#
# After --, a command of the tree's is run there instead of .ci/run (say
# scripts/test.sh, for a release that lacks what the rest needs).
#
# usage: scripts/test-release.sh RELEASE TARBALL [PACKAGE.deb] [-- COMMAND ...]   (as root)
set -eu

USAGE="usage: scripts/test-release.sh RELEASE TARBALL [PACKAGE.deb] [-- COMMAND ...]"
case "${1:-}" in
   -h|--help) echo "$USAGE"; exit 0 ;;
   ""|-*) echo "$USAGE" >&2; exit 2 ;;
esac
release=$1
tarball=$(readlink -f "${2:-}")
[ -f "$tarball" ] || { echo "$USAGE" >&2; exit 2; }
shift 2
package=""
case "${1:-}" in
   --|"") ;;
   *) package=$1; shift ;;
esac
command="sh .ci/run"
if [ "${1:-}" = -- ]; then
   shift
   [ "$#" -gt 0 ] || { echo "$USAGE" >&2; exit 2; }
   command="$*"
fi
[ "$#" -eq 0 ] || [ "$command" = "$*" ] || { echo "$USAGE" >&2; exit 2; }
[ -z "$package" ] || [ -f "$package" ] || { echo "test-release.sh: no file $package" >&2; exit 1; }
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "test-release.sh: run as root: it makes and enters a chroot" >&2; exit 1; }

start=$(date +%s)
# Prints a line with the seconds since the start.
say()
{
   echo "test-release.sh: $release: $* ($(( $(date +%s) - start )) s)"
}

if ! command -v debootstrap >/dev/null 2>&1; then
   apt-get -o DPkg::Lock::Timeout=600 update
   DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y --no-remove debootstrap
fi
# The archive this machine's Debian packages come from, as apt reads it
# from its sources (one-line or deb822): not Debian's security archive.
archive()
{
   # shellcheck disable=SC2016 # apt's own field, not the shell's
   apt-get indextargets --format '$(REPO_URI)' 'Created-By: Packages' 'Origin: Debian' 'Label: Debian' |
      sort -u | head -n 1
}
mirror=$(archive)
if [ -z "$mirror" ]; then
   apt-get -o DPkg::Lock::Timeout=600 update
   mirror=$(archive)
fi
[ -n "$mirror" ] || { echo "test-release.sh: apt's sources name no Debian archive" >&2; exit 1; }

root=$(mktemp -d "${TMPDIR:-/var/tmp}/blobs-$release.XXXXXX")
# The chroot's / is open to its users, as a machine's is.
chmod 755 "$root"
mounted=""   # the chroot's mount points, the last one first

# Ends whatever still runs in the chroot, unmounts what was mounted there,
# newest first, and removes the chroot, never past a mount point.
finish()
{
   status=$?
   for link in /proc/[0-9]*/root; do
      if [ "$(readlink "$link" 2>/dev/null)" = "$root" ]; then
         pid=${link#/proc/}
         kill -9 "${pid%/root}" 2>/dev/null || true
      fi
   done
   # What failed tests kept (shots and logs) goes before the chroot does.
   if [ "$status" -ne 0 ] && ls -d "$root"/tmp/blobs-* >/dev/null 2>&1; then
      kept=$(mktemp -d "/tmp/blobs-$release-kept.XXXXXX")
      cp -a "$root"/tmp/blobs-* "$kept"/ 2>/dev/null || true
      echo "test-release.sh: what the failed tests kept is in $kept" >&2
   fi
   for point in $mounted; do
      umount "$point" || umount --lazy "$point" || status=1
   done
   if findmnt -rn -o TARGET | grep -q "^$root/"; then
      echo "test-release.sh: still mounted under $root; it is left there" >&2
      status=1
   else
      rm -rf --one-file-system "$root"
   fi
   say "ended with status $status"
   exit "$status"
}
trap finish EXIT
trap 'exit 1' HUP INT TERM

script=""
[ -f "/usr/share/debootstrap/scripts/$release" ] || script=/usr/share/debootstrap/scripts/sid
say "debootstrap from $mirror into $root"
# shellcheck disable=SC2086 # no script, or one
debootstrap --variant=minbase --include=git,ca-certificates "$release" "$root" "$mirror" $script \
   >"$root.log" 2>&1 || { tail -n 20 "$root.log"; rm -f "$root.log"; exit 1; }
rm -f "$root.log"
# Mounts at the chroot's POINT what mount's OPTIONS say, and notes it for
# the end.
mount_in()
{
   point=$root$1
   shift
   mount "$@" "$point"
   mounted="$point $mounted"
}
mount_in /proc -t proc proc
mount_in /sys -t sysfs sysfs
mount_in /dev --bind /dev
mount_in /dev/pts --bind /dev/pts
mount_in /dev/shm -t tmpfs tmpfs
cp /etc/resolv.conf "$root/etc/resolv.conf"
# A testing release's lists are valid for days only; where the archive is
# a copy taken earlier (a snapshot), they have expired, which apt refuses
# unless told. The chroot is told, and the log says so.
if chroot "$root" apt-get update 2>&1 | grep -q "is expired"; then
   echo 'Acquire::Check-Valid-Until "false";' >"$root/etc/apt/apt.conf.d/50blobs-expired"
   say "the archive's lists of $release have expired: apt in the chroot is told to take them"
fi
# shellcheck disable=SC2016 # the chroot's shell expands it
say "made: $(chroot "$root" sh -c '. /etc/os-release && echo "$PRETTY_NAME"')"

work=$root/root/work
mkdir -p "$work/shared/allegro"
git clone --quiet "$PWD" "$work/blobs"
cp "$tarball" "$work/shared/allegro/"
then=""
if [ -n "$package" ]; then
   cp "$package" "$work/"
   then="&& scripts/test-installed-package.sh ../$(basename "$package")"
fi
# CI's run (or the command given), and the other release's package;
# .ci/run is told not to make a chroot of its own in there.
chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
   HOME=/root LANG=C.UTF-8 CI="${CI:-}" BLOBS_RELEASE="$release" \
   sh -c "cd /root/work/blobs && $command $then" </dev/null
say "passed"
