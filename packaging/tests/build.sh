#!/bin/sh
# Makes the Debian package from a built tree with CPack, as a user would, into
# a folder of its own, unpacks it there, and installs the same tree with
# `cmake --install` beside it, for the checks that follow:
#
#   OUT/blobs_<version>_<arch>.deb   the package
#   OUT/root/                        its files, as dpkg-deb -x lays them out
#   OUT/prefix/                      what `cmake --install --prefix` installs
#
# usage: build.sh CMAKE CPACK BUILD_DIR OUT
set -eu
cmake=$1
cpack=$2
build=$3
out=$4

rm -rf "$out"
mkdir -p "$out"
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$out"
set -- "$out"/blobs_*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
   echo "FAIL: CPack made no single blobs_*.deb: $*"
   exit 1
fi
dpkg-deb -x "$1" "$out/root"
echo "made and unpacked $(basename "$1")"

"$cmake" --install "$build" --prefix "$out/prefix" --strip
