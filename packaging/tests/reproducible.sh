#!/bin/sh
# The package is reproducible: two clones of the project's last commit, in
# folders of different names and depths, built 2 s apart under different
# umasks (022, 002) and locales (C.UTF-8, POSIX), without SOURCE_DATE_EPOCH,
# make byte-identical packages. Only the executable is built, both builds at
# once. On a difference it shows what diffoscope (or cmp) finds. Without a
# git work tree to clone it is skipped.
#
# usage: reproducible.sh CMAKE CPACK SOURCE_DIR
set -u
cmake=$1
cpack=$2
source=$3

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
package()
{
   (
      umask "$2"
      export LC_ALL="$3"
      unset SOURCE_DATE_EPOCH
      git clone --quiet --no-checkout "$source" "$1" &&
         git -C "$1" checkout --quiet --detach "$commit" &&
         "$cmake" -S "$1" -B "$1/build" -DBLOBS_TESTS=OFF -DBLOBS_BENCH=OFF &&
         "$cmake" --build "$1/build" --target blobs -j"$(nproc)" &&
         cd "$1/build" && "$cpack" -G DEB
   ) >"$1.log" 2>&1 || { echo "FAIL: making the package in $1:"; tail -n 20 "$1.log"; return 1; }
}

package "$work/a/blobs" 022 C.UTF-8 &
first=$!
sleep 2
package "$work/second/place/blobs-clone" 002 POSIX
second_status=$?
wait "$first" && [ "$second_status" -eq 0 ] || exit 1

set -- "$work"/a/blobs/build/blobs_*.deb "$work"/second/place/blobs-clone/build/blobs_*.deb
sha256sum "$1" "$2" | sed "s|$work/||"
if cmp -s "$1" "$2"; then
   echo "reproducible: the two packages of $commit are identical"
   exit 0
fi
echo "FAIL: the two packages differ:"
if command -v diffoscope >/dev/null; then
   diffoscope --no-progress "$1" "$2" | head -n 80
else
   cmp -l "$1" "$2" | head -n 20
fi
exit 1
