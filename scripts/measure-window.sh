#!/bin/bash
# Measures how close the demo comes to the limits of this machine. It runs
# blobs_bench (composing, start-up work and the stretch, headless), then
# measure_window in the demo's window under an Xvfb server of its own, and
# prints what both print; measure_window does the measuring and the
# arithmetic, and ends with the six ratios and their goals.
#
#   scripts/measure-window.sh [--smoke] [BUILD_DIR]
#
# Without BUILD_DIR it builds both into build-measure (RelWithDebInfo) in the
# top folder; with one it runs those built there. --smoke shortens every loop
# to check the path in seconds; its figures mean little. A full run takes
# about a minute, and the load average is printed, as other work on the
# machine slows every figure. It installs nothing: it names what is missing.
set -euo pipefail
export LC_ALL=C          # a '.' in EPOCHREALTIME, whatever the locale
top=$(cd "$(dirname "$0")/.." && pwd)

DEFAULT_BUILD="build-measure"
BUILD_PACKAGES=(cmake pkg-config liballegro4-dev libxcb-present-dev libxcb-damage0-dev libbenchmark-dev)
BENCH_FULL=(--benchmark_repetitions=3 --benchmark_report_aggregates_only=true)
BENCH_SMOKE=(--benchmark_min_time=0.001)
USAGE="usage: scripts/measure-window.sh [--smoke] [BUILD_DIR]"

fail()
{
   echo "measure-window.sh: $*" >&2
   exit 1
}

smoke=false
build=""
for arg in "$@"; do
   case $arg in
      --smoke) smoke=true ;;
      -*) fail "unknown option $arg; $USAGE" ;;
      *) [ -z "$build" ] || fail "one build folder at most; $USAGE"
         build=$arg ;;
   esac
done

packages=(xvfb)
[ -n "$build" ] || packages+=("${BUILD_PACKAGES[@]}")
missing=()
for package in "${packages[@]}"; do
   [[ $(dpkg-query -W -f='${Status}' "$package" 2>/dev/null) == *"ok installed" ]] ||
      missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] || fail "missing ${missing[*]}; as root: apt-get install ${missing[*]}"

if [ -z "$build" ]; then
   build=$top/$DEFAULT_BUILD
   cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBLOBS_BENCH=ON \
      -DBLOBS_TESTS=OFF >/dev/null
   cmake --build "$build" -j"$(nproc)" --target blobs_bench measure_window >/dev/null
fi
for program in blobs_bench measure_window; do
   [ -x "$build/bench/$program" ] || fail "$build/bench/$program is not built"
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/blobs-measure.XXXXXX")
# shellcheck source-path=SCRIPTDIR source=xvfb.sh
. "$top/scripts/xvfb.sh"

# Stops the Xvfb started here, if it still runs, and removes the scratch
# folder.
cleanup()
{
   if [ -n "$XVFB_PID" ]; then
      kill "$XVFB_PID" 2>/dev/null || true
      wait "$XVFB_PID" 2>/dev/null || true
   fi
   rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

echo "== machine"
echo "nproc $(nproc)"
echo "cpu $(sed -n '/^model name/{s/^model name[[:space:]]*: //p;q}' /proc/cpuinfo)"
echo "load_average_start $(cut -d ' ' -f 1-3 /proc/loadavg)"

echo
echo "== blobs_bench"
if $smoke; then bench=("${BENCH_SMOKE[@]}"); else bench=("${BENCH_FULL[@]}"); fi
"$build/bench/blobs_bench" "${bench[@]}"

start_x
echo
echo "== measure_window on display $DISPLAY (Xvfb pid $XVFB_PID)"
if $smoke; then measure=(--smoke); else measure=(); fi
"$build/bench/measure_window" "${measure[@]}" --launched "$EPOCHREALTIME"
check_x

echo
echo "load_average_end $(cut -d ' ' -f 1-3 /proc/loadavg)"
