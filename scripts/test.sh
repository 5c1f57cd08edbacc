#!/bin/sh
# Installs what is missing, builds everything and runs every test, in three
# builds of their own:
#
#   build        g++, plain: the unit tests, the window tests (valgrind's
#                among them), the benchmarks' smoke run, and the Debian
#                package made, checked with lintian and hardening-check,
#                made again from two clones to compare, and its blobs run
#   build-asan   clang, under AddressSanitizer and UndefinedBehaviorSanitizer:
#                the unit tests, the start without a display, and the ends
#                by a signal and by a lost display in a real window
#   build-tsan   g++, under ThreadSanitizer: the unit tests and the demo's
#                two threads in a real window
#
# Given the graphics library's source tarball (allegro-4.4.3.1.tar.gz), it
# also cross-builds the Windows program and runs its tests under Wine, and
# builds the web site and runs its tests in a browser:
#
#   build-windows  mingw-w64: blobs.exe and its zip, their checks, and the
#                  program in a real window under Wine, bare and under
#                  openbox
#   build-web      Emscripten: the site and its zip, their checks, and the
#                  page in headless Chromium
#   build-web-asan Emscripten, a Debug build (the runtime's assertions on)
#                  under AddressSanitizer and UndefinedBehaviorSanitizer,
#                  the library's web port with it: the page in headless
#                  Chromium
#
# With --arm64 it also cross-builds the demo and its Debian package for
# arm64, adding that architecture to dpkg, and runs their tests with the
# program under qemu:
#
#   build-arm64    aarch64-linux-gnu-g++: blobs_<version>_arm64.deb and its
#                  checks, and the program in a real window under qemu
#
# Every build treats a warning as an error, so every compiler must build
# without one.
#
# As a user, it installs through sudo and builds in the folders above, in
# this folder, which must be the user's.
#
# usage: scripts/test.sh [--arm64] [ALLEGRO_TARBALL], in any order
set -eu

USAGE="usage: scripts/test.sh [--arm64] [ALLEGRO_TARBALL]"
arm64=""
tarball=""
for argument in "$@"; do
   case "$argument" in
      --arm64) arm64=--arm64 ;;
      -h|--help) echo "$USAGE"; exit 0 ;;
      -*) echo "$USAGE" >&2; exit 2 ;;
      *)
         [ -z "$tarball" ] || { echo "$USAGE" >&2; exit 2; }
         tarball=$argument
         ;;
   esac
done
# The tarball's path is taken from where the script was started.
if [ -n "$tarball" ]; then
   [ -f "$tarball" ] || { echo "test.sh: no file $tarball" >&2; exit 1; }
   tarball="$(cd "$(dirname "$tarball")" && pwd)/$(basename "$tarball")"
fi
cd "$(dirname "$0")/.."
if [ -n "$tarball" ]; then
   scripts/install-deps.sh --test --windows --web $arm64
else
   scripts/install-deps.sh --test $arm64
fi
jobs="$(nproc)"

# Configures folder $1 with every option given, so that what ran before in
# it does not matter, then builds it and runs its tests. The configuring
# runs under $configure_with when that is set: emcmake for the web.
configure_with=""
build_and_test()
{
   dir=$1
   shift
   $configure_with cmake -S . -B "$dir" -DBLOBS_TESTS=ON -DBLOBS_WERROR=ON "$@"
   cmake --build "$dir" -j"$jobs"
   ctest --test-dir "$dir" --output-on-failure
}

build_and_test build -DBLOBS_BENCH=ON -DBLOBS_SANITIZE=
build_and_test build-asan -DCMAKE_CXX_COMPILER=clang++ -DBLOBS_BENCH=ON -DBLOBS_SANITIZE=address
build_and_test build-tsan -DBLOBS_BENCH=OFF -DBLOBS_SANITIZE=thread
if [ -n "$arm64" ]; then
   build_and_test build-arm64 --toolchain cmake/aarch64-linux-gnu.cmake
fi
if [ -n "$tarball" ]; then
   build_and_test build-windows --toolchain cmake/mingw-w64.cmake -DBLOBS_ALLEGRO_SOURCE="$tarball"
   # Emscripten runs each compile through python3; Debian's own starts
   # faster than a version manager's shim found first on the PATH.
   [ -x /usr/bin/python3 ] && export EMSDK_PYTHON=/usr/bin/python3
   configure_with=emcmake
   build_and_test build-web -DBLOBS_ALLEGRO_SOURCE="$tarball" -DBLOBS_SANITIZE=
   build_and_test build-web-asan -DBLOBS_ALLEGRO_SOURCE="$tarball" -DCMAKE_BUILD_TYPE=Debug \
      -DBLOBS_SANITIZE=address
else
   echo "test.sh: the Windows and web builds were left out; give the library's allegro-4.4.3.1.tar.gz to include them"
fi
