#!/bin/sh
# Measures, in one run, how close the demo comes to the limits of this
# machine, and prints every figure with four ratios:
#
#   paced frame rate        / its cap: the retraces vsync() waits for
#   unthrottled frame rate  / its ceiling: a fixed frame stretched onto the
#                             screen as fast as it goes
#   composing one frame     / the 10 ms tick
#   start-up work           / launch to the first frame
#
# The demo prints nothing, so its frame rates are read from outside: shots of
# its window are matched to composed frames with blobs-frames, and the frame
# counts advance between shots over the wall-clock time between them. The
# limits come from present_loop, which opens the same window. Both run under
# an Xvfb server of our own, on the first free display from :71 up, in
# rounds that take turns, so that each ratio compares figures taken moments
# apart; the composing figures come from blobs_bench.
#
#   scripts/measure-window.sh [BUILD_DIR]     (default: build)
#
# Takes about two minutes. Other work on the machine slows every figure, so
# the load average is printed with them. The unthrottled ratio is taken
# inside present_loop, where the demo's pass and the bare present take turns
# every tenth of a second or so: a machine whose speed drifts, as a shared
# one does, then slows both alike. The demo's own unthrottled rate, read from
# shots just after, is printed beside it as a check.
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/install-deps.sh --test

PERIOD=2304            # frames after which the demo's picture repeats
TICK_US=10000          # the demo's pacing tick
ROUNDS=3               # present_loop and the demo, in turns
PRESENTS=2000          # stretches onto the screen in each present_loop run
BENCH_REPETITIONS=3
PACED_SHOTS=6          # one a second: the paced rate over five seconds
PACED_GAP=1
FREE_SHOTS=13          # with Tab held, shots closer together, so that no
FREE_GAP=0.4           # more than a period of frames passes between two
FREE_WARM_UP=0.5       # seconds with Tab held before the first such shot
PACED_LONGEST=3        # seconds: paced, a period of frames takes 30
PERIOD_SHARE=0.8       # unthrottled, pairs of shots further apart than this
                       # share of a period at the ceiling rate are not used
WAIT_TRIES=50          # tenths of a second to wait for Xvfb, the window
                       # or the demo's exit
DEMO_STARTS=3          # tries at starting the demo
START_GRACE=0.5        # seconds the demo has to itself to connect

cmake -S . -B "$build" -DBLOBS_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target blobs blobs-frames blobs_bench present_loop >/dev/null

work="$(mktemp -d)"
xvfb_pid=""
demo_pid=""
cleanup() {
   if [ -n "$demo_pid" ]; then kill "$demo_pid" 2>/dev/null || true; fi
   if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
   rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

now_ns() { date +%s%N; }

# The median of the numbers on standard input, one a line.
median() {
   sort -g | awk '{ v[NR] = $1 }
      END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "== machine"
echo "nproc: $(nproc)"
echo "cpu: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "memory: $(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
echo "load average at start: $(cut -d ' ' -f 1-3 /proc/loadavg)"

# ---- Headless benchmarks: medians of real time, in microseconds
echo
echo "== blobs_bench ($BENCH_REPETITIONS repetitions, medians)"
"$build/bench/blobs_bench" --benchmark_repetitions="$BENCH_REPETITIONS" \
   --benchmark_report_aggregates_only=true \
   --benchmark_out_format=csv --benchmark_out="$work/bench.csv" >/dev/null 2>&1
bench_us() {
   awk -F, -v name="\"$1_median\"" '$1 == name { print $3 }' "$work/bench.csv"
}
for b in compose_frame_whole compose_paths compose_background_copy \
         compose_sprite_additions compose_floor_plain_copies \
         startup_sprites startup_blend_table startup_glow startup_work \
         present_stretch_to_memory; do
   printf '%-28s %10.2f us\n' "$b" "$(bench_us "$b")"
done
compose_us="$(bench_us compose_frame_whole)"
floor_us="$(bench_us compose_floor_plain_copies)"

# ---- A window system of our own
display=71
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
   display=$((display + 1))
done
Xvfb ":$display" -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
tries=0
until xdotool getdisplaygeometry >/dev/null 2>&1; do
   tries=$((tries + 1))
   [ "$tries" -lt "$WAIT_TRIES" ] || { echo "Xvfb did not start on $DISPLAY" >&2; exit 1; }
   sleep 0.1
done

# Takes shot $1 of the screen, noting the wall-clock middle of the capture.
shot() {
   before="$(now_ns)"
   xwd -root -silent >"$work/$1.xwd"
   after="$(now_ns)"
   echo "$1 $(( (before + after) / 2 ))" >>"$work/shots.txt"
}

# Takes $2 shots named $1-N, $3 seconds apart.
shots() {
   i=0
   while [ "$i" -lt "$2" ]; do
      shot "$1-$i"
      sleep "$3"
      i=$((i + 1))
   done
}

# Whether the screen shows one of the demo's frames yet.
shows_a_frame() {
   xwd -root -silent | convert xwd:- -crop 640x480+0+0 +repage "ppm:$work/probe.ppm" &&
      "$build/blobs-frames" match "$work/probe.ppm" >/dev/null 2>&1
}

# Starts the demo, takes the paced shots, holds Tab for the unthrottled
# ones, and ends it with Escape; the shots are named after round $1.
run_demo() {
   starts=0
   tries=0
   until [ -n "$demo_pid" ] && shows_a_frame; do
      if [ -z "$demo_pid" ] || ! kill -0 "$demo_pid" 2>/dev/null; then
         # Clients that connect at the same moment can find Xvfb's queue
         # full and fail; the demo then says it could not open its window.
         starts=$((starts + 1))
         [ "$starts" -le "$DEMO_STARTS" ] || { echo "the demo would not start" >&2; exit 1; }
         "$build/blobs" &
         demo_pid=$!
         sleep "$START_GRACE"
         xdotool mousemove 320 240   # over the middle of the window: keys reach it
         continue
      fi
      tries=$((tries + 1))
      [ "$tries" -lt "$WAIT_TRIES" ] || { echo "the demo's window never showed a frame" >&2; exit 1; }
      sleep 0.1
   done

   shots "paced$1" "$PACED_SHOTS" "$PACED_GAP"
   xdotool keydown Tab
   sleep "$FREE_WARM_UP"
   shots "free$1" "$FREE_SHOTS" "$FREE_GAP"
   xdotool keyup Tab

   xdotool keydown Escape
   tries=0
   while kill -0 "$demo_pid" 2>/dev/null && [ "$tries" -lt "$WAIT_TRIES" ]; do
      tries=$((tries + 1))
      sleep 0.1
   done
   xdotool keyup Escape
   if kill -0 "$demo_pid" 2>/dev/null; then
      echo "the demo did not end on Escape" >&2
      exit 1
   fi
   wait "$demo_pid" || true
   demo_pid=""
}

# Prints "frame count, time in ns" for every shot named $1-N that shows one
# whole composed frame; torn shots, caught mid-stretch, are left out.
matched() {
   grep "^$1-" "$work/shots.txt" | while read -r name ns; do
      convert "xwd:$work/$name.xwd" -crop 640x480+0+0 +repage "ppm:$work/$name.ppm"
      if t="$("$build/blobs-frames" match "$work/$name.ppm" 2>/dev/null)"; then
         echo "$t $ns"
      fi
   done
}

# Frames per second from matched shots in capture order, and the shots,
# frames and seconds it rests on. Between two shots the frame count is only
# known modulo a period, so neighbours less than $1 seconds apart, between
# which no whole period can pass unseen, give a first estimate; with it every
# step is unwrapped to the count nearest the estimate, and the rate is the
# whole advance over the whole time. A step too long to unwrap safely, where
# a quarter of the estimate could be half a period wrong, is left out.
rate() {
   awk -v period="$PERIOD" -v longest="$1" '
      function advance(i) { return ((t[i] - t[i - 1]) % period + period) % period }
      function gap(i) { return (ns[i] - ns[i - 1]) * 1e-9 }
      { t[NR] = $1; ns[NR] = $2 }
      END {
         for (i = 2; i <= NR; i++)
            if (gap(i) < longest) {
               near_frames += advance(i)
               near_seconds += gap(i)
            }
         if (near_seconds == 0) { print "0 0 0 0"; exit }
         estimate = near_frames / near_seconds
         for (i = 2; i <= NR; i++) {
            if (estimate * gap(i) / 4 >= period / 2)
               continue
            d = advance(i)
            d += period * int((estimate * gap(i) - d) / period + 0.5)
            frames += d
            seconds += gap(i)
            steps++
         }
         printf "%.2f %d %d %.2f\n", frames / seconds, steps, frames, seconds
      }'
}

# ---- Rounds: the limits from present_loop, then the demo itself
: >"$work/shots.txt"
round=1
while [ "$round" -le "$ROUNDS" ]; do
   "$build/bench/present_loop" "$PRESENTS" "$(now_ns)" >"$work/loop$round.txt"
   run_demo "$round"
   round=$((round + 1))
done

# Figure $1 of present_loop in round $2.
loop() { awk -v name="$1" '$1 == name { print $2 }' "$work/loop$2.txt"; }

echo
echo "== present_loop and the demo on $DISPLAY, $ROUNDS rounds"
: >"$work/rounds.txt"
round=1
while [ "$round" -le "$ROUNDS" ]; do
   paced="$(matched "paced$round" | rate "$PACED_LONGEST")"
   free_longest="$(awk -v p="$PERIOD" -v hz="$(loop present_hz "$round")" -v share="$PERIOD_SHARE" \
      'BEGIN { print share * p / hz }')"
   free="$(matched "free$round" | rate "$free_longest")"
   echo "round $round:"
   sed 's/^/   /' "$work/loop$round.txt"
   echo "   demo_paced_hz ${paced%% *}   (steps, frames, seconds: ${paced#* })"
   echo "   demo_unthrottled_hz ${free%% *}   (steps, frames, seconds: ${free#* })"
   echo "$round ${paced%% *} ${free%% *} $(loop retrace_hz "$round") $(loop present_hz "$round")" \
        "$(loop unthrottled_loop_hz "$round") $(loop startup_work_ms "$round") $(loop first_frame_ms "$round")" \
      >>"$work/rounds.txt"
   round=$((round + 1))
done

# The median over the rounds of column $1 of rounds.txt, or of the ratio of
# columns $1 and $2, in per cent.
over_rounds() {
   if [ $# -eq 1 ]; then
      awk -v a="$1" '{ print $a }' "$work/rounds.txt" | median
   else
      awk -v a="$1" -v b="$2" '{ print 100 * $a / $b }' "$work/rounds.txt" | median
   fi
}

# ---- The four ratios
echo
echo "== ratios, medians over the rounds (load average now: $(cut -d ' ' -f 1-3 /proc/loadavg))"
printf 'paced / cap:                   %6.1f %%  (goal >= 97 %%)  %.2f / %.2f Hz; the tick alone allows 100\n' \
   "$(over_rounds 2 4)" "$(over_rounds 2)" "$(over_rounds 4)"
printf 'unthrottled / ceiling:         %6.1f %%  (goal >= 75 %%)  %.1f / %.1f Hz, in turns in present_loop\n' \
   "$(over_rounds 6 5)" "$(over_rounds 6)" "$(over_rounds 5)"
printf '  the demo itself, from shots:  %6.1f %%                 %.1f Hz, just after that ceiling\n' \
   "$(over_rounds 3 5)" "$(over_rounds 3)"
awk -v compose="$compose_us" -v tick="$TICK_US" 'BEGIN {
   printf "compose / tick:                %6.2f %%  (goal <= 2 %%)   %.1f / %d us\n", 100 * compose / tick, compose, tick }'
printf 'start-up work / first frame:   %6.2f %%  (goal <= 5 %%)   %.2f / %.1f ms\n' \
   "$(over_rounds 7 8)" "$(over_rounds 7)" "$(over_rounds 8)"
awk -v compose="$compose_us" -v floor="$floor_us" 'BEGIN {
   printf "compose / plain-copy floor:    %6.1f x                  %.1f / %.1f us\n", compose / floor, compose, floor }'
