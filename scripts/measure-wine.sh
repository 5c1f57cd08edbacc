#!/bin/bash
# Measures the Windows program's frame rates under Wine beside the native
# demo's, on this machine in one run, one program after the other under
# the same private Xvfb: paced, and with Tab held. The rates come from
# shots of each window matched to the frame counts they show (the window
# tests' helpers, tests/window/session.sh): paced over five seconds, and
# with Tab held over 0.3 s, five times, from shots taken while it
# is held (a torn shot is passed over), of which the median is printed.
#
#   scripts/measure-wine.sh BUILD_WINDOWS_DIR
#
# BUILD_WINDOWS_DIR is a cross build with its tests (ctest there makes its
# Wine prefix; this script makes one when there is none): it holds
# blobs.exe, and the native demo and frame tool in native/. It installs
# nothing, and takes about half a minute.
set -u
# shellcheck disable=SC2034 # BLOBS is read by the helpers
build=$(cd "${1:?usage: scripts/measure-wine.sh BUILD_WINDOWS_DIR}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
BLOBS_FRAMES=$build/native/blobs-frames
# shellcheck source-path=SCRIPTDIR source=../tests/window/session.sh
. "$top/tests/window/session.sh"

PACED_SPAN=5      # seconds between the two shots of the paced rate
TAB_SPAN=0.3      # seconds between two shots with Tab held: under a period
TAB_SETTLE=0.3    # seconds held before the first of them
REPEATS=5         # holds of Tab

for program in "$build/blobs.exe" "$build/native/blobs" "$BLOBS_FRAMES"; do
   [ -x "$program" ] || fail "$program is not built (cmake --build $build)"
done
[ -d "$build/wine-prefix/drive_c" ] || "$top/tests/window/wine_prefix.sh" "$build/wine-prefix" ||
   fail "could not make the Wine prefix"

# Frames a second, with one decimal, over an advance of $1 frames in $2 us.
rate()
{
   local r
   r=$(rate_x10 "$1" "$2")
   echo "$((r / 10)).$((r % 10))"
}

# Measures the demo now running, named NAME, and prints its two rates.
measure()
{
   local name=$1 t0 u0 r rates=()
   take_point "$name-paced-from"
   sleep "$PACED_SPAN"
   take_point "$name-paced-to"
   match_point "$name-paced-from";        t0=$POINT_T; u0=$POINT_US
   match_point "$name-paced-to" "$t0"
   echo "$name paced: $((POINT_T - t0)) frames in $(seconds $((POINT_US - u0))) s," \
        "$(rate $((POINT_T - t0)) $((POINT_US - u0))) a second"
   for r in $(seq "$REPEATS"); do
      xdotool keydown Tab
      sleep "$TAB_SETTLE"
      take_point "$name-tab$r-from"
      sleep "$TAB_SPAN"
      take_point "$name-tab$r-to"
      xdotool keyup Tab
      sleep "$TAB_SETTLE"
      try_point "$name-tab$r-from" 1 || continue
      t0=$POINT_T; u0=$POINT_US
      try_point "$name-tab$r-to" "$t0" || continue
      rates+=("$(rate $((POINT_T - t0)) $((POINT_US - u0)))")
   done
   [ ${#rates[@]} -gt 0 ] || fail "$name: no hold of Tab gave two whole shots"
   echo "$name Tab held: ${rates[*]} a second; median $(printf '%s\n' "${rates[@]}" | sort -n |
        awk '{ r[NR] = $1 } END { print r[int((NR + 1) / 2)] }')"
   end_with_escape 10
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
start_x
BLOBS=$build/native/blobs   # read by the helpers
start_demo
measure native
use_wine "$build/wine-prefix"
BLOBS=$build/blobs.exe
start_demo wine
measure wine
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
