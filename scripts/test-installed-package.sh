#!/bin/sh
# Installs the Debian package as a user would, runs the demo from the PATH,
# then purges the package and shows that none of its files is left. It
# changes the machine, so only CI runs it (.ci/run, after the tests); run it
# by hand only as root on a machine where that is fine.
#
#   1. cpack makes blobs_<version>_<arch>.deb from BUILD_DIR (default: build)
#   2. apt-get install ./blobs_*.deb, which brings in what it depends on,
#      and would remove nothing
#   3. blobs from the PATH opens its window under Xvfb, shows a composed
#      frame and ends with status 0 on Escape (packaging/tests/run.sh)
#   4. apt-get purge blobs: every file dpkg -L listed is gone, and every
#      folder too, unless another package still has it
#
# BUILD_DIR may be a cross build (build-arm64, configured with its tests by
# scripts/test.sh): its package is for another architecture, which dpkg has
# added, and its blobs runs under qemu. apt-get brings in that
# architecture's libraries beside the machine's own. Here most are there
# already, for building, so before installing, apt-get is also asked what
# it would install on a machine with none of them: the package of every
# dependency, for that architecture, from the archive.
#
# Given a package already made instead (PACKAGE.deb, one built on another
# Debian release, say), it installs and checks that one; the frame tool then
# comes from build.
#
# usage: scripts/test-installed-package.sh [BUILD_DIR | PACKAGE.deb]
set -eu
given=""
case "${1:-}" in
   *.deb) given="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; set -- ;;
esac
cd "$(dirname "$0")/.."
build="${1:-build}"

PACKAGE=blobs

[ "$(id -u)" -eq 0 ] || { echo "test-installed-package.sh: run as root: it installs a package" >&2; exit 1; }
if dpkg-query -W -f='${Status}' "$PACKAGE" 2>/dev/null | grep -q "ok installed"; then
   echo "test-installed-package.sh: $PACKAGE is installed already; purge it first" >&2
   exit 1
fi

[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build"
if grep -q '^CMAKE_TOOLCHAIN_FILE:' "$build/CMakeCache.txt"; then
   # A cross build: its frame tool is built for this machine.
   scripts/install-deps.sh --test --arm64
   cmake --build "$build" -j"$(nproc)" --target blobs native_tools
   frames="$build/native/blobs-frames"
else
   scripts/install-deps.sh --test
   cmake --build "$build" -j"$(nproc)" --target blobs blobs-frames
   frames="$build/blobs-frames"
fi

work="$(mktemp -d)"
installed=""
cleanup()
{
   # A run that failed halfway leaves nothing installed either.
   if [ -n "$installed" ]; then
      apt-get purge -y "$PACKAGE" >/dev/null 2>&1 || true
   fi
   rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
# apt-get reads the package as its own unprivileged user.
chmod 755 "$work"

if [ -n "$given" ]; then
   cp "$given" "$work/"
else
   echo "== make the package"
   cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" ||
      { cat "$work/cpack.log"; exit 1; }
fi
set -- "$work"/"$PACKAGE"_*.deb
deb=$1
[ -f "$deb" ] || { echo "FAIL: cpack made no package" >&2; exit 1; }
chmod 644 "$deb"
echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
arch="$(dpkg-deb -f "$deb" Architecture)"
export DEBIAN_FRONTEND=noninteractive

if [ "$arch" != "$(dpkg --print-architecture)" ]; then
   # Its blobs runs under the emulator for its processor: qemu-aarch64.
   BLOBS_LAUNCHER="qemu-$(dpkg-architecture -a "$arch" -qDEB_HOST_GNU_CPU 2>/dev/null)"
   export BLOBS_LAUNCHER
   echo "== what it brings in where nothing of $arch is installed"
   # dpkg's record of what is installed, without the packages of $arch.
   awk -v RS= -v arch="$arch" '$0 !~ "(^|\n)Architecture: " arch "(\n|$)" { print $0 "\n" }' \
      /var/lib/dpkg/status >"$work/status"
   # apt asks dpkg, where that record is, which architectures it takes
   # (Debian 13's), so they are given it as well.
   apt-get install -s -o Dir::State::status="$work/status" -o APT::Architectures::="$(dpkg --print-architecture)" \
      -o APT::Architectures::="$arch" "$deb" >"$work/fresh.txt" ||
      { cat "$work/fresh.txt"; exit 1; }
   grep '^Inst ' "$work/fresh.txt" | sed 's/^/   /'
   for name in $(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (|].*//'); do
      grep -q "^Inst $name:$arch " "$work/fresh.txt" ||
         { echo "FAIL: apt-get would not bring in $name:$arch for the package" >&2; exit 1; }
   done
   echo "each dependency comes in for $arch from the archive"
fi

echo "== install it"
# Nothing of the machine's may go to make room for it.
apt-get install -s "$deb" >"$work/simulated.txt" || { cat "$work/simulated.txt"; exit 1; }
if grep '^Remv ' "$work/simulated.txt"; then
   echo "FAIL: installing $(basename "$deb") would remove the packages above" >&2
   exit 1
fi
installed=yes
apt-get install -y -o DPkg::Lock::Timeout=600 "$deb"
dpkg -L "$PACKAGE" | grep -vx '/\.' >"$work/files.txt"
missing=0
while read -r path; do
   [ -e "$path" ] || { echo "FAIL: dpkg lists $path, which is not there" >&2; missing=1; }
done <"$work/files.txt"
[ "$missing" -eq 0 ] || exit 1
echo "$PACKAGE: $(wc -l <"$work/files.txt") paths installed"

echo "== run it from the PATH"
blobs_path="$(command -v blobs)" || { echo "FAIL: no blobs on the PATH" >&2; exit 1; }
[ "$blobs_path" = /usr/bin/blobs ] || { echo "FAIL: the PATH finds $blobs_path, not /usr/bin/blobs" >&2; exit 1; }
packaging/tests/run.sh "$blobs_path" "$frames"

echo "== purge it"
apt-get purge -y -o DPkg::Lock::Timeout=600 "$PACKAGE"
installed=""
state="$(dpkg-query -W -f='${db:Status-Status}' "$PACKAGE" 2>/dev/null || true)"
if [ -n "$state" ] && [ "$state" != not-installed ]; then
   echo "FAIL: $PACKAGE is $state after the purge, not gone" >&2
   exit 1
fi
left=0
while read -r path; do
   if [ ! -e "$path" ] && [ ! -L "$path" ]; then
      continue
   elif [ -d "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then
      echo "kept: $path, a folder other packages have too"
   else
      echo "FAIL: left after the purge: $path" >&2
      left=1
   fi
done <"$work/files.txt"
[ "$left" -eq 0 ] || exit 1
echo "$PACKAGE: purged, no file of it left"
