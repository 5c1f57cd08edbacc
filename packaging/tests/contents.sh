#!/bin/sh
# The package carries exactly what a user needs, as a package should:
#
#   - these files and no other (no tool, test or benchmark), owned by root,
#     the executable 755 and the rest 644, every folder 755;
#   - the same files as `cmake --install` puts under its prefix;
#   - dependencies that dpkg-shlibdeps found: the Allegro run-time library
#     among them, and only run-time libraries, nothing for building; and
#     for every library its blobs loads, the package of that architecture
#     that installs it (libstdc++6:arm64, say, not a cross compiler's
#     copy);
#   - the project's version in the package, the manual page and the
#     changelog;
#   - the architecture ARCH (Debian's name: amd64, arm64) in its name and
#     its control file, and its blobs a program for that processor;
#   - LICENSE's text in the copyright file.
#
# usage: contents.sh OUT VERSION ARCH ICONS_DIR LICENSE
#        (OUT is the folder build.sh made; ICONS_DIR holds SIZE/blobs.png)
set -u
out=$1
version=$2
arch=$3
icons=$4
license=$5
status=0
set -- "$out"/blobs_*.deb
deb=$1
root="$out/root"

fail()
{
   echo "FAIL: $*"
   status=1
}

# ---- Files, owners and modes
expected="$out/expected.txt"
{
   echo usr/bin/blobs
   echo usr/share/applications/blobs.desktop
   echo usr/share/doc/blobs/changelog.gz
   echo usr/share/doc/blobs/copyright
   for icon in "$icons"/*/blobs.png; do
      echo "usr/share/icons/hicolor/$(basename "$(dirname "$icon")")/apps/blobs.png"
   done
   echo usr/share/man/man6/blobs.6.gz
} | sort >"$expected"

# dpkg-deb -c prints: mode owner/group size date time ./path
dpkg-deb -c "$deb" >"$out/listing.txt" || fail "dpkg-deb cannot list $deb"
awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' "$out/listing.txt" | sort >"$out/files.txt"
if ! diff -u "$expected" "$out/files.txt"; then
   fail "the package's files (+) are not the expected ones (-)"
fi
awk '$2 != "root/root" { print "FAIL: " $6 " is owned by " $2; bad = 1 }
     $1 ~ /^d/ && $1 != "drwxr-xr-x" { print "FAIL: folder " $6 " is " $1; bad = 1 }
     $6 == "./usr/bin/blobs" && $1 != "-rwxr-xr-x" { print "FAIL: " $6 " is " $1; bad = 1 }
     $1 ~ /^-/ && $6 != "./usr/bin/blobs" && $1 != "-rw-r--r--" { print "FAIL: " $6 " is " $1; bad = 1 }
     END { exit bad }' "$out/listing.txt" || status=1
(cd "$out/prefix" && find . ! -type d | sed 's|^\./|usr/|' | sort) >"$out/cmake-files.txt"
if ! diff -u "$out/files.txt" "$out/cmake-files.txt"; then
   fail "cmake --install (+) and the package (-) install different files"
fi
echo "files: $(wc -l <"$out/files.txt"), as expected unless said above"

# ---- Dependencies
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
names="$(printf '%s\n' "$depends" | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')"
for name in $names; do
   case "$name" in
      *-dev) fail "$name is for building, not running" ;;
      lib*) ;;
      *) fail "$name is not a run-time library" ;;
   esac
done
# The program's libraries, as the loader of its architecture finds them
# (the loader itself comes with the C library).
multiarch="$(dpkg-architecture -a "$arch" -qDEB_HOST_MULTIARCH 2>/dev/null)"
for library in $(objdump -p "$root/usr/bin/blobs" | awk '$1 == "NEEDED" { print $2 }'); do
   owner=""
   for dir in "/lib/$multiarch" "/usr/lib/$multiarch" /lib /lib64; do
      owner="$(dpkg-query -S "$dir/$library" 2>/dev/null | sed -n "s/\\(:$arch\\)\\{0,1\\}: .*//p")" && [ -n "$owner" ] && break
   done
   if [ -z "$owner" ]; then
      fail "no $arch package installs $library, which blobs loads"
   elif ! printf '%s\n' "$names" | grep -qxF "$owner"; then
      fail "blobs loads $library, from $owner, which the package does not depend on"
   fi
done

# ---- One version everywhere
package_version="$(dpkg-deb -f "$deb" Version)"
[ "$package_version" = "$version" ] || fail "the package is version $package_version, not $version"
case "$deb" in
   */"blobs_${version}_$arch.deb") ;;
   *) fail "the package file is $(basename "$deb"), not blobs_${version}_$arch.deb" ;;
esac
gzip -dc "$root/usr/share/man/man6/blobs.6.gz" | grep -q "^\.TH BLOBS 6 .*\"blobs $version\"" ||
   fail "the manual page does not name version $version"
gzip -dc "$root/usr/share/doc/blobs/changelog.gz" | head -n 1 | grep -q "^blobs ($version) " ||
   fail "the changelog's latest entry is not version $version"
echo "version: $version in the package, the manual page and the changelog, unless said above"

# ---- One architecture: the package's and its program's
package_arch="$(dpkg-deb -f "$deb" Architecture)"
[ "$package_arch" = "$arch" ] || fail "the package is for $package_arch, not $arch"
# What file says of an executable for each processor.
case "$arch" in
   amd64) machine="x86-64" ;;
   arm64) machine="ARM aarch64" ;;
   *) machine="" ;;
esac
program="$(file -b "$root/usr/bin/blobs")"
case "$program" in
   *"ELF 64-bit LSB pie executable, $machine,"*) ;;
   *) fail "usr/bin/blobs is not a $arch program: $program" ;;
esac
echo "architecture: $arch in the package and its program, unless said above"

# ---- The licence
copyright="$root/usr/share/doc/blobs/copyright"
grep -qx 'License: Expat' "$copyright" || fail "the copyright file names no Expat licence"
grep -qx "Copyright: $(sed -n 's/^Copyright (c) //p' "$license")" "$copyright" ||
   fail "the copyright file does not carry LICENSE's copyright line"
# The licence text, its one-space indent and lone dots undone.
sed -n '/^License: Expat$/,$ { /^License:/d; s/^ \.$//; s/^ //; p; }' "$copyright" >"$out/license.txt"
sed -n '/^Permission/,$ p' "$license" | diff -u - "$out/license.txt" >/dev/null ||
   fail "the copyright file's licence text differs from LICENSE"

[ "$status" -eq 0 ] && echo "contents: as expected"
exit "$status"
