#!/bin/bash
# Measures the demo in a browser beside the native build, on this machine in
# one run: the site's size, composing a frame in the browser against
# natively, the time from navigation to the first frame, the paced and
# Tab-held rates of the page with what each frame's time goes to, against
# the rate at which the same browser shows a bare canvas, and the page's
# CPU for each frame, paced, on displays of 60, 120 and 144 Hz.
#
#   scripts/measure-web.sh BUILD_WEB_DIR NATIVE_BUILD_DIR [ENGINE]
#
# BUILD_WEB_DIR is a web build (emcmake): its site/, and the measuring
# program's page in bench-web/site/. NATIVE_BUILD_DIR is a native build with
# the benchmarks: blobs-frames, and the same measuring program natively in
# bench/web/. The pages are served from the loopback by the window tests'
# browser helper (tests/window/browser.py) and opened in a browser of
# ENGINE (chromium, the default, headless; webkit, WebKitGTK's MiniBrowser
# on a private X server; firefox). Every figure is printed as a `name
# value' line. It installs nothing, and takes about two minutes.
set -u
USAGE="usage: scripts/measure-web.sh BUILD_WEB_DIR NATIVE_BUILD_DIR [ENGINE]"
web=$(cd "${1:?$USAGE}" && pwd) || exit 1
native=$(cd "${2:?$USAGE}" && pwd) || exit 1
export BLOBS_ENGINE=${3:-${BLOBS_ENGINE:-chromium}}
top=$(cd "$(dirname "$0")/.." && pwd)
BLOBS_FRAMES=$native/blobs-frames
# shellcheck source-path=SCRIPTDIR source=../tests/window/session.sh
. "$top/tests/window/session.sh"

ROUNDS=3          # compose timed natively, then in a fresh browser, this often
LOADS=5           # fresh browsers, each opening the page once
RELOADS=5         # further openings of the page in the last of them
PACED_SPAN=3      # seconds between the two shots of the paced rate
TAB_SETTLE=0.3    # seconds Tab is held before its span begins
TAB_SPAN=0.3      # seconds of the Tab-held span: under a period of frames
HOLDS=3           # holds of Tab
PAGE_WAIT=60      # seconds allowed for a page's figures or first picture
CPU_RATES="60 120 144"   # animation frames a second, as on displays of those rates
CPU_SETTLE=1      # seconds a page runs before its CPU is measured ...
CPU_SPAN=3        # ... over this many seconds
CPU_GOAL=1.3      # the page's CPU a frame above 100 Hz, at most this times that at 60 Hz
PACED_GOAL=0.95   # paced pictures a second, at least this times a bare canvas's ...
PACED_MOST=100    # ... and at most the tick's

site=$web/site
measure_js=$web/bench-web/site/compose_measure.js
measure_native=$native/bench/web/compose_measure
for f in "$site/index.html" "$site/blobs.js" "$site/blobs.wasm" "$measure_js"; do
   [ -f "$f" ] || fail "$f is not built (cmake --build $web)"
done
for f in "$measure_native" "$BLOBS_FRAMES"; do
   [ -x "$f" ] || fail "$f is not built (cmake -DBLOBS_BENCH=ON, cmake --build $native)"
done

# The median of the numbers given, one a line on standard input.
median()
{
   sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The least and the greatest of the numbers on standard input, as "A to B".
range()
{
   sort -g | awk 'NR == 1 { a = $1 } { b = $1 } END { print a " to " b }'
}

# The value of figure NAME in the `name value' lines of FILE.
value()
{
   awk -v n="$1" '$1 == n { print $2; exit }' "$2"
}

# Polls the page with EXPRESSION until it is neither null nor false, and
# sets BROWSER_SAYS to its value; fails after PAGE_WAIT seconds.
wait_for_page()
{
   local deadline=$(($(now_us) + PAGE_WAIT * 1000000))
   until browser eval "$1" && [ "$BROWSER_SAYS" != null ] && [ "$BROWSER_SAYS" != false ]; do
      [ "$(now_us)" -lt "$deadline" ] || fail "the page gave no answer to $1 within $PAGE_WAIT s"
      sleep 0.05
   done
}

echo "cpu $(sed -n '/^model name/{s/^model name[[:space:]]*: //p;q}' /proc/cpuinfo)"
echo "nproc $(nproc)"
echo "engine $BLOBS_ENGINE"
case $BLOBS_ENGINE in
   chromium) echo "chromium $(/usr/bin/chromium --version 2>/dev/null | awk '{ print $2 }')" ;;
   webkit) echo "webkitgtk $(dpkg-query -W -f='${Version}' webkit2gtk-driver 2>/dev/null)" ;;
   firefox) echo "firefox $(firefox-esr --version 2>/dev/null | awk '{ print $NF }')" ;;
esac
echo "emscripten $(NODE_PATH=/usr/share/nodejs emcc --version 2>/dev/null | sed -n '1s/.* \([0-9.]*\) .*/\1/p')"
echo "load_average_start $(cut -d ' ' -f 1-3 /proc/loadavg)"

# ---- The site's size: what a visit downloads, raw and gzipped (-9)

raw_total=0; gz_total=0
for f in "$site"/*; do
   raw=$(stat -c %s "$f"); gz=$(gzip -9c "$f" | wc -c)
   echo "size $(basename "$f") $raw bytes, $gz gzipped"
   raw_total=$((raw_total + raw)); gz_total=$((gz_total + gz))
done
echo "size_total $raw_total bytes, $gz_total gzipped (goal: under $((150 * 1024)))"

# ---- Composing a frame: the same program and frame counts, natively and in
# a fresh browser, round after round. The browser's copy of the measuring
# site also holds the demo's blobs.wasm, which its page fetches and compiles.

mkdir "$WORK/measure-site"
cp "$web/bench-web/site/"* "$site/blobs.wasm" "$WORK/measure-site/"
for r in $(seq "$ROUNDS"); do
   "$measure_native" >"$WORK/native-$r.txt" || fail "compose_measure failed: $(cat "$WORK/native-$r.txt")"
   start_browser "$WORK/measure-site"
   browser open
   wait_for_page 'window.measured || null'
   stop_browser
   printf '%b\n' "$(echo "$BROWSER_SAYS" | sed 's/^"//; s/"$//')" >"$WORK/web-$r.txt"
   grep -q '^error' "$WORK/web-$r.txt" && fail "compose_measure in the browser: $(grep '^error' "$WORK/web-$r.txt")"
   for f in compose_us compose_min_us compose_max_us stretch_us startup_work_ms; do
      echo "round $r $f native $(value "$f" "$WORK/native-$r.txt") browser $(value "$f" "$WORK/web-$r.txt")"
   done
   for f in startup_sprites_ms startup_blend_table_ms startup_glow_ms turn_us channel_turn_us demo_wasm_fetch_ms demo_wasm_compile_ms; do
      echo "round $r $f browser $(value "$f" "$WORK/web-$r.txt")"
   done
   awk -v n="$(value compose_us "$WORK/native-$r.txt")" -v w="$(value compose_us "$WORK/web-$r.txt")" \
      'BEGIN { printf "round '"$r"' compose_ratio %.2f\n", w / n }' | tee -a "$WORK/ratios.txt"
done
echo "frames_per_round $(value frames "$WORK/native-1.txt") composed in blocks of 100, median block"
echo "compose_ratio_median $(awk '{ print $4 }' "$WORK/ratios.txt" | median) (goal: at most 1.5)"

# ---- Navigation to the first frame: the page in a fresh browser each time,
# then opened again in the last one (its HTTP cache and compiled code warm).
# Times in ms from the navigation's start: the page, blobs.js and blobs.wasm
# received, and the canvas's first picture that is not all black.

TIMES='(() => { const e = n => performance.getEntriesByType("resource").find(r => r.name.endsWith(n));
   const nav = performance.getEntriesByType("navigation")[0], js = e("/blobs.js"), wasm = e("/blobs.wasm");
   return [nav.responseEnd, js ? js.responseEnd : -1, wasm ? wasm.startTime : -1,
           wasm ? wasm.responseEnd : -1, shown.first].map(v => v.toFixed(1)).join(" "); })()'

# Opens the page, waits for its first picture and prints how LABEL went.
first_frame()
{
   browser open
   wait_for_page 'shown.first'
   browser eval "${TIMES//$'\n'/ }"
   read -r page js wasm_start wasm first <<<"${BROWSER_SAYS//\"/}"
   echo "$1 page $page js $js wasm_start $wasm_start wasm $wasm first $first" \
        "program $(awk -v a="$first" -v b="$wasm" 'BEGIN { printf "%.1f", a - b }')"
   echo "$first" >>"$WORK/$2.txt"
}
for l in $(seq "$LOADS"); do
   start_browser "$site"
   first_frame "first_frame fresh $l" fresh
   [ "$l" -lt "$LOADS" ] && stop_browser
done
for l in $(seq "$RELOADS"); do
   first_frame "first_frame again $l" again
done
stop_browser
echo "first_frame_fresh_ms median $(median <"$WORK/fresh.txt"), $(range <"$WORK/fresh.txt") (goal: under 500)"
echo "first_frame_again_ms median $(median <"$WORK/again.txt"), $(range <"$WORK/again.txt")"

# ---- Paced and Tab held in the demo's page. The rates come from shots
# matched to the frame counts they show, as in the window tests. Wrapped
# around the port's own calls, counters tell where a frame's time goes:
# every turn the program gives the page (one a frame with Tab held), the
# time from its return to the program to the next (the program's work), the
# time the page kept it (the turn), and the time in the animation-frame
# callbacks (painting the canvas, and the helper's own count of them).

PROBE='(() => { const a = Module.alweb, turn = a.turn, raf = window.requestAnimationFrame.bind(window);
   const m = window.probe = { reset() { Object.assign(m, { turns: 0, program: 0, page: 0, frames: shown.frames, paint: 0,
                                                           back: null, since: performance.now() }); } };
   m.reset();
   a.turn = resume => { const t = performance.now(); m.turns++;
      if (m.back !== null) m.program += t - m.back;
      turn(() => { m.back = performance.now(); m.page += m.back - t; resume(); }); };
   window.requestAnimationFrame = f => raf(s => { const t = performance.now(); f(s);
      m.paint += performance.now() - t; });
   return true; })()'
READ_PROBE='[probe.turns, probe.program, probe.page, shown.frames - probe.frames, probe.paint,
   performance.now() - probe.since].map(v => v.toFixed(3)).join(" ")'

start_browser "$site"
# The most pictures a second this browser shows here: a page that only puts
# one 640x480 picture in a canvas at each animation frame, by its own clock.
browser open bare
sleep 1
page_rates "$PACED_SPAN"
canvas_x10=$PUTS_X10
echo "canvas_rate $(x10 "$PUTS_X10") pictures a second, $(x10 "$FRAMES_X10") animation frames"
start_page
sleep 1
page_rates "$PACED_SPAN"
echo "paced_by_page_clock $(x10 "$PUTS_X10") pictures a second, $(x10 "$FRAMES_X10") animation frames"
awk -v p="$PUTS_X10" -v c="$canvas_x10" -v goal="$PACED_GOAL" -v most="$PACED_MOST" \
   'BEGIN { printf "paced_ratio %.3f of the bare canvas (goal: at least %s, and at most %d a second)\n", p / c, goal, most }'
browser eval "${PROBE//$'\n'/ }"
take_point paced-from
browser eval 'shown.frames'; frames0=$BROWSER_SAYS; u0=$(now_us)
sleep "$PACED_SPAN"
browser eval 'shown.frames'; frames1=$BROWSER_SAYS; u1=$(now_us)
take_point paced-to
match_point paced-from; t0=$POINT_T; p0=$POINT_US
match_point paced-to "$t0"
r=$(rate_x10 $((POINT_T - t0)) $((POINT_US - p0)))
echo "paced $((POINT_T - t0)) frames in $(seconds $((POINT_US - p0))) s, $((r / 10)).$((r % 10)) a second"
r=$(rate_x10 $((frames1 - frames0)) $((u1 - u0)))
echo "animation_frames $((frames1 - frames0)) in $(seconds $((u1 - u0))) s, $((r / 10)).$((r % 10)) a second"

for h in $(seq "$HOLDS"); do
   browser key down Tab
   sleep "$TAB_SETTLE"
   browser eval 'probe.reset()'
   take_point "tab$h-from"
   sleep "$TAB_SPAN"
   take_point "tab$h-to"
   browser eval "${READ_PROBE//$'\n'/ }"
   read -r turns program page frames paint span <<<"${BROWSER_SAYS//\"/}"
   browser key up Tab
   if try_point "tab$h-from" && t0=$POINT_T && p0=$POINT_US && try_point "tab$h-to" "$t0"; then
      r=$(rate_x10 $((POINT_T - t0)) $((POINT_US - p0)))
      shots="$((r / 10)).$((r % 10))"
   else
      shots="(a shot matched no frame)"
   fi
   awk -v h="$h" -v t="$turns" -v p="$program" -v g="$page" -v f="$frames" -v c="$paint" -v s="$span" -v shots="$shots" \
      'BEGIN { printf "tab_held %d: %s a second from shots; %.1f turns a second; a frame: " \
                      "program %.1f us, page turn %.1f us; %.1f animation frames a second, " \
                      "painting %.2f ms each (%.1f %% of the time)\n",
                      h, shots, t * 1000 / s, p * 1000 / t, g * 1000 / t, f * 1000 / s,
                      c / (f ? f : 1), 100 * c / s }'
   sleep "$TAB_SETTLE"
done
browser errors
echo "console_errors $BROWSER_SAYS"
stop_browser

# ---- The page's CPU for each frame shown, paced, on displays of 60, 120 and
# 144 Hz: the animation frames driven at that rate (browser.py's animation),
# each in a fresh browser. The CPU is the page's renderer's over CPU_SPAN
# seconds, without a shot in them (a shot takes CPU of the page's own); the
# frames come from shots just before and after. Above 100 Hz the tick, not
# the display, sets the rate, and the wait for it must cost no more CPU a
# frame than a wait for the display does.

for hz in $CPU_RATES; do
   start_browser "$site"
   start_page animation "$hz"
   sleep "$CPU_SETTLE"
   take_point "cpu$hz-from"
   browser cpu; c0=$BROWSER_SAYS; u0=$(now_us)
   sleep "$CPU_SPAN"
   browser cpu; c1=$BROWSER_SAYS; u1=$(now_us)
   take_point "cpu$hz-to"
   stop_browser
   match_point "cpu$hz-from"; t0=$POINT_T; p0=$POINT_US
   match_point "cpu$hz-to" "$t0"
   awk -v hz="$hz" -v f=$((POINT_T - t0)) -v fus=$((POINT_US - p0)) -v c0="$c0" -v c1="$c1" -v us=$((u1 - u0)) \
      'BEGIN { r = f * 1000000 / fus; cores = (c1 - c0) * 1000000 / us
               printf "page_cpu %d Hz: %.1f frames a second, %.2f of a core, %.2f ms a frame\n", hz, r, cores, cores * 1000 / r }' |
      tee -a "$WORK/cpu.txt"
done
awk -v goal="$CPU_GOAL" '{ ms[$2] = $(NF - 3) }
   END { for (hz in ms) if (hz != 60) printf "page_cpu_ratio %d Hz against 60 Hz: %.2f a frame (goal: at most %s)\n", hz, ms[hz] / ms[60], goal }' \
   "$WORK/cpu.txt" | sort -n -k2
echo "load_average_end $(cut -d ' ' -f 1-3 /proc/loadavg)"
