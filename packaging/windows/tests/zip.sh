#!/bin/sh
# The download: CPack makes blobs-<version>-win64.zip from the build, as a
# maintainer would, and it holds exactly the program, stripped and otherwise
# the built one (strip dates it, as CPack's every file, with the release,
# EPOCH seconds since 1970), a README that names the version and the keys, the demo's
# licence and the licences of what the program links in, every text with
# Windows' line ends, all in one folder named after the zip.
#
# usage: zip.sh CPACK BUILD_DIR VERSION EPOCH STRIP OUT
set -u
cpack=$1
build=$2
version=$3
epoch=$4
strip=$5
out=$6

name="blobs-$version-win64"
EXPECTED="$name/LICENSE.txt
$name/README.txt
$name/blobs.exe
$name/licenses/
$name/licenses/GPL-3.txt
$name/licenses/allegro.txt
$name/licenses/gcc-runtime.txt
$name/licenses/mingw-w64-runtime.txt"

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
SOURCE_DATE_EPOCH=$epoch "$strip" -o "$out/built.exe" "$build/blobs.exe"
if cmp -s "$out/built.exe" "$out/$name/blobs.exe"; then
   echo "blobs.exe: the built one, stripped"
else
   echo "FAIL: its blobs.exe is not the built one, stripped"
   status=1
fi

for text in LICENSE.txt README.txt licenses/allegro.txt licenses/gcc-runtime.txt \
            licenses/GPL-3.txt licenses/mingw-w64-runtime.txt; do
   lines=$(wc -l <"$out/$name/$text")
   crlf=$(grep -c "$(printf '\r')\$" "$out/$name/$text")
   if [ "$lines" -eq 0 ] || [ "$crlf" -ne "$lines" ]; then
      echo "FAIL: $text: $crlf of its $lines lines end in CR LF"
      status=1
   fi
done
echo "texts: every line ends in CR LF"

readme="$out/$name/README.txt"
for line in "^Blobs $version" "^Escape " "^Tab "; do
   grep -q "$line" "$readme" || { echo "FAIL: README.txt has no line like '$line'"; status=1; }
done
grep -q "giftware" "$out/$name/licenses/allegro.txt" ||
   { echo "FAIL: licenses/allegro.txt is not the library's giftware licence"; status=1; }
grep -q "GCC RUNTIME LIBRARY EXCEPTION" "$out/$name/licenses/gcc-runtime.txt" ||
   { echo "FAIL: licenses/gcc-runtime.txt has no runtime library exception"; status=1; }
echo "README.txt: version $version and the keys; licences: the library's, GCC's, mingw-w64's"
exit "$status"
