#!/bin/bash
# The measuring path end to end, shortened: scripts/measure-window.sh --smoke
# runs this build's blobs_bench and measure_window, started without a
# display so that the window can only open in the script's own Xvfb. It must
# succeed, print the benchmarks' table, every figure and the six ratios,
# each with a number, and leave its Xvfb stopped. No figure is judged: the
# loops are too short to mean anything, and a shared machine's speed varies.
#
# usage: measure_smoke.sh MEASURE_WINDOW_SH BUILD_DIR
set -euo pipefail

FIGURES=(main_ms window_ms palette_ms startup_work_ms first_frame_ms refresh_rate_hz
         library_hz library_near_pct retrace_hz paced_passes paced_hz paced_near_pct
         library_whole_pct library_lag_ms library_whole_unsent_pct library_lag_unsent_ms
         whole_unsent_pct lag_ms lag_unsent_ms
         unthrottled_passes present_hz unthrottled_hz composed_frames compose_us floor_us)
GOALS=(paced_vs_cap_pct whole_frames_pct paced_cpu_pct unthrottled_vs_ceiling_pct
       compose_vs_tick_pct startup_vs_first_frame_pct)

fail()
{
   echo "FAIL: $*" >&2
   exit 1
}

out=$(mktemp)
trap 'rm -f "$out"' EXIT

env -u DISPLAY "$1" --smoke "$2" | tee "$out" || fail "the script failed"

grep -q "^compose_frame_whole" "$out" || fail "no table from blobs_bench"
for name in "${FIGURES[@]}" compose_vs_floor_x; do
   grep -Eq "^$name [0-9]+(\.[0-9]+)?( |$)" "$out" || fail "no number for $name"
done
for name in "${GOALS[@]}"; do
   grep -Eq "^$name [0-9]+\.[0-9]+ +goal [<>]= [0-9]+ %: (met|missed) " "$out" ||
      fail "no ratio with its goal for $name"
done

xvfb=$(sed -n 's/.*(Xvfb pid \([0-9]*\))$/\1/p' "$out")
[ -n "$xvfb" ] || fail "the script named no Xvfb of its own"
if kill -0 "$xvfb" 2>/dev/null; then
   fail "the script's Xvfb, pid $xvfb, still runs"
fi
echo "ok: every figure and ratio printed; Xvfb $xvfb stopped"
