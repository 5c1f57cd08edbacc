#!/bin/sh
# The download: CPack makes blobs-<version>-web.zip from the build, and it
# holds exactly the site as built, a README that names the version, the keys
# and how to serve the site, the demo's licence and the licences of what the
# program is built from, all in one folder named after the zip.
#
# usage: zip.sh CPACK BUILD_DIR VERSION OUT
set -u
cpack=$1
build=$2
version=$3
out=$4

name="blobs-$version-web"
SITE="blobs.js blobs.png blobs.wasm index.html"
EXPECTED="$name/LICENSE.txt
$name/README.txt
$name/blobs.js
$name/blobs.png
$name/blobs.wasm
$name/index.html
$name/licenses/
$name/licenses/allegro.txt
$name/licenses/emscripten.txt"

rm -rf "$out"
mkdir -p "$out"
"$cpack" --config "$build/CPackConfig.cmake" -G ZIP -B "$out" >"$out/cpack.log" 2>&1 ||
   { echo "FAIL: cpack could not make the zip:"; cat "$out/cpack.log"; exit 1; }
zip="$out/$name.zip"
[ -f "$zip" ] || { echo "FAIL: cpack made no $name.zip: $(ls "$out")"; exit 1; }
echo "made $name.zip, $(wc -c <"$zip") bytes"

status=0
listed=$(cmake -E tar tf "$zip" | LC_ALL=C sort)
[ "$listed" = "$EXPECTED" ] || { echo "FAIL: the zip holds"; echo "$listed"; echo "not"; echo "$EXPECTED"; status=1; }
(cd "$out" && cmake -E tar xf "$zip") || { echo "FAIL: the zip does not unpack"; exit 1; }
for file in $SITE; do
   cmp -s "$build/site/$file" "$out/$name/$file" || { echo "FAIL: its $file is not the built one"; status=1; }
done
echo "the site: the built one"

readme="$out/$name/README.txt"
for line in "^Blobs $version" "^Escape " "^Tab " "python3 -m http.server"; do
   grep -q "$line" "$readme" || { echo "FAIL: README.txt has no line like '$line'"; status=1; }
done
grep -q "giftware" "$out/$name/licenses/allegro.txt" ||
   { echo "FAIL: licenses/allegro.txt is not the library's giftware licence"; status=1; }
echo "README.txt: version $version, the keys, how to serve it; licences: the library's, Emscripten's"
exit "$status"
