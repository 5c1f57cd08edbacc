#!/bin/sh
# blobs.exe is what a Windows user should get: a GUI program (no console
# window) entered through WinMain, which hands the demo's main to the
# library's _WinMain, as END_OF_MAIN arranges; importing only Windows' own
# DLLs; carrying the menu's icon at every size under the name the library's
# window class loads, each picture equal, pixel for pixel, to the committed
# icon file's and the 48 pixel one to the menu's PNG; the project's version;
# and its manifest.
#
# usage: exe.sh EXE VERSION ICONS_DIR OBJDUMP NM WINDRES
set -u
exe=$1
version=$2
icons=$3
objdump=$4
nm=$5
windres=$6

# Windows' own DLLs, all that the program may import: the C runtime every
# Windows has, and the system's libraries the graphics library calls.
SYSTEM_DLLS="kernel32 user32 gdi32 advapi32 comdlg32 ole32 ddraw dinput dsound winmm msvcrt"
ICON_SIZES="16 32 48 256"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
fault()
{
   echo "FAIL: $*"
   status=1
}

"$objdump" -p "$exe" >"$work/headers" || { echo "FAIL: $exe is not a PE file"; exit 1; }

subsystem=$(sed -n 's/^Subsystem[[:space:]]*[0-9a-f]*[[:space:]]*//p' "$work/headers")
[ "$subsystem" = "(Windows GUI)" ] || fault "the subsystem is $subsystem, not (Windows GUI)"
echo "subsystem: $subsystem"

# The entry is the C runtime's start for GUI programs, which calls WinMain;
# WinMain passes the demo's main, renamed by the library's header, to
# _WinMain.
ep=$(awk '/^AddressOfEntryPoint/ { print $2 }' "$work/headers")
base=$(awk '/^ImageBase/ { print $2 }' "$work/headers")
entry=$(printf '%016x' $((0x$ep + 0x$base)))
start=$("$nm" "$exe" | awk -v a="$entry" '$1 == a && $2 == "T" { print $3; exit }')
[ "$start" = WinMainCRTStartup ] || fault "the entry point is ${start:-unnamed} (0x$entry), not WinMainCRTStartup"
"$objdump" -d --disassemble=WinMain "$exe" | sed -n '/<WinMain>:/,/ret/p' >"$work/winmain"
if ! grep -q 'lea .*<_Z13_mangled_mainv>' "$work/winmain" ||
   ! grep -q 'call .*<_WinMain>' "$work/winmain"; then
   fault "WinMain does not hand _mangled_main to _WinMain: $(cat "$work/winmain")"
fi
echo "entry: $start, then WinMain, which hands _mangled_main to _WinMain"

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' "$work/headers" | tr '[:upper:]' '[:lower:]' |
          sed 's/\.dll$//' | sort | tr '\n' ' ')
for dll in $imports; do
   case " $SYSTEM_DLLS " in
      *" $dll "*) ;;
      *) fault "it imports $dll.dll, which is not Windows' own" ;;
   esac
done
[ -n "$imports" ] || fault "it imports nothing, which no Windows program does"
echo "imports: $imports"

# The icon, as Windows reads it from the program.
wrestool -x --type=group_icon --name=ALLEGRO_ICON "$exe" >"$work/exe.ico" 2>"$work/wrestool.log"
[ -s "$work/exe.ico" ] || fault "no icon named allegro_icon: $(cat "$work/wrestool.log")"
i=0
for size in $ICON_SIZES; do
   shown=$(identify -format '%wx%h' "ico:$work/exe.ico[$i]" 2>/dev/null)
   [ "$shown" = "${size}x$size" ] || fault "icon picture $i is ${shown:-missing}, not ${size}x$size"
   differ=$(compare -metric AE "ico:$work/exe.ico[$i]" "ico:$icons/windows/blobs.ico[$i]" null: 2>&1) ||
      fault "the ${size} px icon differs from icons/windows/blobs.ico in $differ pixels"
   i=$((i + 1))
done
differ=$(compare -metric AE "ico:$work/exe.ico[2]" "$icons/48x48/blobs.png" null: 2>&1) ||
   fault "the 48 px icon differs from icons/48x48/blobs.png in $differ pixels"
extra=$(identify "ico:$work/exe.ico" 2>/dev/null | wc -l)
[ "$extra" -eq 4 ] || fault "the icon holds $extra pictures, not 4"
echo "icon: $ICON_SIZES px, equal to the committed icons"

"$windres" -i "$exe" -O rc >"$work/resources.rc" 2>&1 || fault "windres cannot read the resources"
numeric=$(echo "$version" | sed 's/\./, /g')
for line in "^ FILEVERSION $numeric, 0$" "^ PRODUCTVERSION $numeric, 0$" \
            "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
            'VALUE "OriginalFilename", "blobs.exe"'; do
   grep -q "$line" "$work/resources.rc" || fault "the version resource has no line like '$line'"
done
echo "version: $version"

wrestool -x --raw --type=24 "$exe" >"$work/manifest.xml" 2>/dev/null
for line in '<dpiAware[^>]*>true</dpiAware>' 'requestedExecutionLevel level="asInvoker"'; do
   grep -q "$line" "$work/manifest.xml" || fault "the manifest has no line like '$line'"
done
echo "manifest: DPI aware, as the invoker"
exit "$status"
