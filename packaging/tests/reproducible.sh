#!/bin/sh
# The package is reproducible: two clones of the project's last commit, in
# folders of different names and depths, built 2 s apart under different
# umasks (022, 002) and locales (C.UTF-8, POSIX), without SOURCE_DATE_EPOCH,
# make byte-identical packages. Only the executable is built, both builds at
# once. On a difference it shows what diffoscope (or cmp) finds. Without a
# git work tree to clone it is skipped.
#
# With --windows, the same holds for the Windows build, cross-compiled with
# the graphics library from ALLEGRO_SOURCE: both blobs.exe and the zip; with
# --web, for the web build (emcmake): the WebAssembly program and the zip;
# with --toolchain, for the Debian package cross-built with TOOLCHAIN (a
# file in the project, such as cmake/aarch64-linux-gnu.cmake).
#
# usage: reproducible.sh CMAKE CPACK SOURCE_DIR [--windows|--web ALLEGRO_SOURCE]
#        reproducible.sh CMAKE CPACK SOURCE_DIR --toolchain TOOLCHAIN
set -u
cmake=$1
cpack=$2
source=$3
if [ "${4:-}" = --windows ]; then
   # The library is built in each clone too.
   configure="--toolchain cmake/mingw-w64.cmake -DBLOBS_ALLEGRO_SOURCE=$5"
   toolchain=""
   generator=ZIP
   made="blobs.exe blobs-*-win64.zip"
elif [ "${4:-}" = --web ]; then
   configure="-DBLOBS_ALLEGRO_SOURCE=$5"
   toolchain=emcmake
   generator=ZIP
   made="site/blobs.wasm site/blobs.js blobs-*-web.zip"
elif [ "${4:-}" = --toolchain ]; then
   configure="--toolchain $5"
   toolchain=""
   generator=DEB
   made="blobs_*.deb"
else
   configure=""
   toolchain=""
   generator=DEB
   made="blobs_*.deb"
fi

if ! commit="$(git -C "$source" rev-parse --verify -q HEAD 2>/dev/null)"; then
   echo "SKIP: $source is not a git work tree with a commit to clone"
   exit 77
fi
[ -z "$(git -C "$source" status --porcelain --untracked-files=no)" ] ||
   echo "note: changes not committed in $source are not in what is checked"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/a" "$work/second/place"

# Clones the commit into folder $1 and makes its package there with umask $2
# and locale $3, logging to $1.log.
# shellcheck disable=SC2086 # $toolchain, $configure: one word for each
package()
{
   (
      umask "$2"
      export LC_ALL="$3"
      unset SOURCE_DATE_EPOCH
      git clone --quiet --no-checkout "$source" "$1" &&
         git -C "$1" checkout --quiet --detach "$commit" &&
         (cd "$1" && $toolchain "$cmake" -S . -B build -DBLOBS_TESTS=OFF -DBLOBS_BENCH=OFF $configure) &&
         "$cmake" --build "$1/build" --target blobs -j"$(nproc)" &&
         cd "$1/build" && "$cpack" -G "$generator"
   ) >"$1.log" 2>&1 || { echo "FAIL: making the package in $1:"; tail -n 20 "$1.log"; return 1; }
}

package "$work/a/blobs" 022 C.UTF-8 &
first=$!
sleep 2
package "$work/second/place/blobs-clone" 002 POSIX
second_status=$?
wait "$first" && [ "$second_status" -eq 0 ] || exit 1

status=0
# shellcheck disable=SC2086 # each pattern names one file in each build
for pattern in $made; do
   set -- "$work"/a/blobs/build/$pattern "$work"/second/place/blobs-clone/build/$pattern
   sha256sum "$1" "$2" | sed "s|$work/||"
   if cmp -s "$1" "$2"; then
      echo "reproducible: the two $(basename "$1") of $commit are identical"
      continue
   fi
   echo "FAIL: the two $(basename "$1") differ:"
   if command -v diffoscope >/dev/null; then
      diffoscope --no-progress "$1" "$2" | head -n 80
   else
      cmp -l "$1" "$2" | head -n 20
   fi
   status=1
done
exit "$status"
