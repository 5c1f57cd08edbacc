#!/bin/sh
# The downloads that are zips: CPack makes blobs-<version>-<platform>.zip
# from the build, as a maintainer would, and it holds exactly the files it
# should, all in one folder named after the zip, with a README that names
# the version and the keys and with the library's giftware licence.
#
# win64, the Windows program: blobs.exe, stripped and otherwise the built
# one (strip dates it, as CPack's every file, with the release, EPOCH
# seconds since 1970), the licences of what it links in, GCC's runtime among
# them, and every text with Windows' line ends.
# web, the web site: the site as built, and a README that says how to
# serve it.
#
# usage: zip.sh CPACK BUILD_DIR VERSION OUT win64 EPOCH STRIP
#        zip.sh CPACK BUILD_DIR VERSION OUT web
set -u
cpack=$1
build=$2
version=$3
out=$4
platform=$5

name="blobs-$version-$platform"
if [ "$platform" = win64 ]; then
   epoch=$6
   strip=$7
   files="LICENSE.txt README.txt blobs.exe licenses/ licenses/GPL-3.txt licenses/allegro.txt
          licenses/gcc-runtime.txt licenses/mingw-w64-runtime.txt"
   readme_lines="^Escape ^Tab"
else
   site="blobs-192.png blobs-512.png blobs.js blobs.png blobs.wasm blobs.webmanifest index.html
         page.css page.js sw.js"
   files="LICENSE.txt README.txt $site licenses/ licenses/allegro.txt licenses/emscripten.txt"
   readme_lines="^Escape ^Tab python3.-m.http.server"
fi
expected=$(for f in $files; do echo "$name/$f"; done | LC_ALL=C sort)

rm -rf "$out"
mkdir -p "$out"
"$cpack" --config "$build/CPackConfig.cmake" -G ZIP -B "$out" >"$out/cpack.log" 2>&1 ||
   { echo "FAIL: cpack could not make the zip:"; cat "$out/cpack.log"; exit 1; }
zip="$out/$name.zip"
[ -f "$zip" ] || { echo "FAIL: cpack made no $name.zip: $(ls "$out")"; exit 1; }
echo "made $name.zip, $(wc -c <"$zip") bytes"

status=0
listed=$(cmake -E tar tf "$zip" | LC_ALL=C sort)
[ "$listed" = "$expected" ] || { echo "FAIL: the zip holds"; echo "$listed"; echo "not"; echo "$expected"; status=1; }
(cd "$out" && cmake -E tar xf "$zip") || { echo "FAIL: the zip does not unpack"; exit 1; }

readme="$out/$name/README.txt"
for line in "^Blobs $version" $readme_lines; do
   grep -q "$line" "$readme" || { echo "FAIL: README.txt has no line like '$line'"; status=1; }
done
grep -q "giftware" "$out/$name/licenses/allegro.txt" ||
   { echo "FAIL: licenses/allegro.txt is not the library's giftware licence"; status=1; }
echo "README.txt: version $version and the keys; licenses/allegro.txt: the giftware licence"

if [ "$platform" = web ]; then
   for file in $site; do
      cmp -s "$build/site/$file" "$out/$name/$file" || { echo "FAIL: its $file is not the built one"; status=1; }
   done
   echo "the site: the built one"
   # What a first visit downloads, every file of the site in one gzip stream.
   most=$((150 * 1024))
   # shellcheck disable=SC2086 # $site is a list of names
   gzipped=$(cd "$out/$name" && cat $site | gzip -9 | wc -c)
   if [ "$gzipped" -lt "$most" ]; then
      echo "the site: $gzipped bytes gzipped, under $most"
   else
      echo "FAIL: the site is $gzipped bytes gzipped, not under $most"
      status=1
   fi
   exit "$status"
fi

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
grep -q "GCC RUNTIME LIBRARY EXCEPTION" "$out/$name/licenses/gcc-runtime.txt" ||
   { echo "FAIL: licenses/gcc-runtime.txt has no runtime library exception"; status=1; }
echo "licences: GCC's with its runtime library exception, mingw-w64's"
exit "$status"
