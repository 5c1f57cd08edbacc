#!/bin/bash
# The demo's page in a browser: the site served from the loopback and
# opened in a browser of one engine: headless Chromium, WebKitGTK's
# MiniBrowser on a private X server, or Firefox. Its canvas is 640x480 and
# shows frames of the demo, pixel for pixel. Paced, the demo shows nearly
# as many pictures a second as the same browser shows from a page that
# does nothing but put one in a canvas at each animation frame, and in
# Chromium as many as its animation frames (60 a second here), and never
# runs past the 10 ms tick; Tab held runs it at least twice as fast, and
# the pacing comes back on release. The rates are read by the page's clock.
# Full screen, through the page's control, shows the picture as large as
# whole device pixels allow, on black; Escape leaves full screen, and only
# the next one ends the demo.
# Escape ends it: the picture stops and the page says so. Nothing reaches
# the console as an error, and the page's content policy refuses nothing.
# Once it has ended, Tab reaches the page's control to start it again,
# which starts it from its first frame, paced.
#
# As a phone with touch shows it, upright and turned: the picture whole on
# the screen, no wider than it, as large as whole device pixels allow with
# the line under it, which speaks of touch; its frames exact; a touch held
# on it runs the demo as Tab does, and slid off it, paced again.
#
# Served with a strict content policy as a header: in another page's frame
# the line says to click the picture first, and then tells the keys; the
# page shows frames and the policy refuses nothing; Chromium finds it
# installable. Kept, the page runs as the host alters it. A second build
# put in place with one of its files failing, or another build's, never
# mixes with the first: the visits run the first build, which stays kept;
# offline, an address deeper in the folder says in a line that it is not
# kept. The second build whole waits while the first one's page is open,
# takes its place at the next visit, and opened again with the network
# cut, the page shows it. Another site put in the folder, without sw.js,
# is what the next visits show, and nothing of the demo stays kept. Two
# copies of the site in two folders of one host each keep their own files,
# and both open with the network cut, the one whose index.html the host
# redirects to its folder at both addresses, online too.
#
# Then the page in a browser without WebAssembly, in one whose canvas
# cannot draw, from a site without its blobs.wasm or its page.js, under a
# host's policy without 'wasm-unsafe-eval', with WebAssembly refused by
# the browser's settings, in one that does not know the policy's
# 'wasm-unsafe-eval' and in one without addEventListener on its media
# queries, says in one line why the demo cannot run (the last two name the
# build's oldest Firefox, BLOBS_WEB_FIREFOX, else 65); where the policy
# refuses the program, the line keeps its words. Wherever the
# picture is shown, its top and left lie on whole device pixels. Last, with animation frames at 120 and then 144 a
# second, as on faster displays, the paced demo keeps to the tick's 100
# frames a second without spinning through it, and its frames go on when
# the page's clock is moved on by 31 minutes.
#
# With --program-only, as for a sanitized build, only what the program
# does is checked: its frames, pacing, Tab, Escape, the console, and the
# faster displays and the clock, Tab held outrunning only the tick; the
# page's own script is the same in every build, and its checks are left out.
#
# With --engine, the browser's engine (chromium, webkit or firefox; else
# BLOBS_ENGINE's, else chromium). Each checks all it can be made to show
# here (docs/testing.md): WebKitGTK's driver has no touch, no phone's
# screen and no network to cut, and installing is Chromium's own check.
#
# WebKitGTK's MiniBrowser under Xvfb now and then loses its page's process
# (about one run in eight, at any step of the test; the driver says
# "session deleted because of page crash or hang", or that it could not
# parse a script's result, and MiniBrowser logs "WebProcess CRASHED"), the
# browser's fault, not the page's: that run ends with BROWSER_LOST, and the
# test starts once more, saying so.
#
# usage: web.sh SITE BLOBS_FRAMES [--program-only] [--engine NAME]
BROWSER_LOST=75
if [ -z "${BLOBS_WEB_RUN:-}" ]; then
   BLOBS_WEB_RUN=first "$0" "$@" && exit 0
   status=$?
   [ "$status" -eq "$BROWSER_LOST" ] || exit "$status"
   echo "the browser lost its page's process: the test starts once more"
   BLOBS_WEB_RUN=again exec "$0" "$@"
fi
SITE=$1
BLOBS_FRAMES=$2
shift 2
PAGE_CHECKS=yes
ENGINE=${BLOBS_ENGINE:-chromium}
while [ $# -gt 0 ]; do
   case $1 in
      --program-only) PAGE_CHECKS="" ;;
      --engine) ENGINE=$2; shift ;;
      *) echo "usage: web.sh SITE BLOBS_FRAMES [--program-only] [--engine NAME]" >&2; exit 2 ;;
   esac
   shift
done
export BLOBS_ENGINE=$ENGINE
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"
WEB_DIR=$(dirname "$0")/../../packaging/web

GAP=1.5           # seconds between the shots of a paced measure
HOLDS=3           # times Tab is held ...
TAB_HOLD=1        # ... for this many seconds each
HOLDS_PROVED=2    # holds that must show the pacing off
PACED_TRIES=5     # measures of a rate, and holds more, where one falls short
PACED_SHARE=9     # tenths of the bare canvas's rate that paced frames reach at least
# What the engine's driver lets the test do here besides what all do: show
# the page as a phone with touch, cut the network, ask whether the page
# installs; and how a browser is started without WebAssembly.
PHONE_CHECKS=""; NETWORK_CHECKS=""; INSTALL_CHECKS=""
NO_WASM_ENV=""; NO_WASM_FLAGS=()
FULL_NOTICE=0     # seconds the browser's own words about full screen lie over the picture
case $ENGINE in
   chromium) PHONE_CHECKS=yes; NETWORK_CHECKS=yes; INSTALL_CHECKS=yes
             NO_WASM_FLAGS=(--js-flags=--jitless) ;;   # V8 without its compilers
   # MiniBrowser's "… is now full screen. Press ESC or f to exit.", hidden
   # by a timer of 2 s, which may fire up to a second late.
   webkit) NO_WASM_ENV=JSC_useWasm=false; FULL_NOTICE=3 ;;   # JavaScriptCore's option
   firefox) PHONE_CHECKS=yes; NETWORK_CHECKS=yes
            NO_WASM_FLAGS=(javascript.options.wasm=false) ;;   # a preference of its profile
esac

ENDED="The demo has ended."
KEYS="Escape ends the demo; hold Tab to let it run as fast as it can."
CLICK="Click the picture first, so that the keys reach the demo: then Escape ends it, and holding Tab lets it run as fast as it can."
TOUCH="Touch and hold the picture to let it run as fast as it can."
POLICY="default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; object-src 'none'; base-uri 'none'"
SCREEN=1600x1200  # the screen full screen fills, room for twice the window's picture
WINDOW_WIDTH=800  # the browser window's width in CSS pixels (browser.py)
PHONE="390 844"   # a phone's screen upright, in CSS pixels; its ratio is 3
LOW_FRAME=120     # a first frame seen no later than this is one from the start
NO_WASM="This browser cannot run the demo: it has no WebAssembly."
NO_CANVAS="could not open a 640x480 8-bit window: The page has no canvas to draw in"
NO_PROGRAM="The demo could not start: blobs.wasm: 404 File not found"
NO_SCRIPT="The demo starts once the page's script has run."
OLDEST=": Safari 16, Firefox ${BLOBS_WEB_FIREFOX:-65}, Chromium 97 and their later versions run it."
TOO_OLD="This browser is too old for the demo$OLDEST"
TOO_OLD_POLICY="This browser is too old for the page's security policy, which keeps it from running the demo$OLDEST"
REFUSED_POLICY="The site's security policy keeps the demo from running: WebAssembly needs 'wasm-unsafe-eval' in its script-src."
REFUSED_SETTING="This browser is set to refuse WebAssembly, which the demo needs."
NOT_KEPT="Without a network, this address cannot open: only the demo's page is kept."

# Polls the page with EXPRESSION until it is true; fails after SECONDS.
#
# usage: wait_until SECONDS EXPRESSION
wait_until()
{
   local deadline=$(($(now_us) + $1 * 1000000))
   until browser eval "$2" && [ "$BROWSER_SAYS" = true ]; do
      [ "$(now_us)" -lt "$deadline" ] || fail "the page did not come to $2 within $1 s"
      sleep 0.1
   done
}

# The picture's place: the device pixels each of the frame's pixels takes
# (0 when they are not whole, or not square); whether it lies whole inside
# the viewport, in the middle across; whether the page is wider than the
# viewport; whether a picture one device pixel a frame pixel larger
# would still fit, with the rest of the page's column; and whether its top
# and left lie on whole device pixels, within a layout unit (Gecko's 1/60
# CSS pixel; Chromium's and WebKit's are 1/64), or else where they lie.
PLACE='(() => { const c = document.querySelector("canvas").getBoundingClientRect(), r = devicePixelRatio;
   const kw = c.width * r / 320, kh = c.height * r / 240, k = Math.round(kw);
   const column = document.querySelector("main").getBoundingClientRect().height - c.height;
   const rest = document.fullscreenElement ? 0 : column, next = k + 1;
   return [Math.abs(kw - k) < 0.01 && Math.abs(kh - k) < 0.01 ? k : 0,
           c.left >= 0 && c.top >= 0 && c.right <= innerWidth && c.bottom <= innerHeight &&
              Math.abs(c.left + c.right - innerWidth) <= 1,
           document.documentElement.scrollWidth > innerWidth,
           next * 320 / r <= innerWidth && next * 240 / r + rest <= innerHeight,
           [c.left, c.top].every(v => Math.abs(v * r - Math.round(v * r)) <= r / 60) ||
              "at " + c.left * r + ", " + c.top * r]; })()'

# Measures the paced rate by the page's clock over GAP and fails unless it
# reaches PACED_SHARE tenths of the bare canvas's rate, and in Chromium 9
# tenths of the animation frames', and stays within the tick's; sets
# PACED_X10 to it. A machine busy with other work slows the page now and
# then for a while, which the bare canvas measured before did not see: a
# measure that falls short is taken again, up to PACED_TRIES times.
#
# usage: check_paced_rate WHAT
check_paced_rate()
{
   local short
   for _ in $(seq "$PACED_TRIES"); do
      page_rates "$GAP"
      PACED_X10=$PUTS_X10
      echo "$1, by the page's clock: $(x10 "$PUTS_X10") pictures a second, $(x10 "$FRAMES_X10") animation frames"
      [ "$PUTS_X10" -le $((TICK_HZ * 10 + 20)) ] || fail "$1: $(x10 "$PUTS_X10") pictures a second, beyond the tick"
      short=""
      [ $((PUTS_X10 * 10)) -ge $((CANVAS_X10 * PACED_SHARE)) ] ||
         short="under $PACED_SHARE tenths of the bare canvas's $(x10 "$CANVAS_X10")"
      [ "$ENGINE" != chromium ] || [ $((PUTS_X10 * 10)) -ge $((FRAMES_X10 * 9)) ] ||
         short="under 9 tenths of the $(x10 "$FRAMES_X10") animation frames"
      [ -z "$short" ] && return 0
   done
   fail "$1: $(x10 "$PUTS_X10") pictures a second, $short, in $PACED_TRIES measures"
}

# Fails unless the picture lies whole on the screen, crisp, on whole device
# pixels, as large as fits and no larger than MOST device pixels a frame
# pixel, with no sideways scrolling; sets SCALE to its device pixels for
# each frame pixel.
#
# usage: check_place WHAT MOST
check_place()
{
   local whole wider larger placed
   browser eval "${PLACE//$'\n'/ }"
   IFS=, read -r SCALE whole wider larger placed <<<"${BROWSER_SAYS//[][]/}"
   echo "$1: $BROWSER_SAYS (device pixels a frame pixel; whole and centred; wider; room for larger; on device pixels)"
   [ "$SCALE" -gt 0 ] || fail "$1: the picture's pixels are not whole squares of device pixels"
   [ "$placed" = true ] || fail "$1: the picture's top left corner lies between device pixels, $placed"
   [ "$whole" = true ] || fail "$1: the picture does not lie whole in the middle of the viewport"
   [ "$wider" = false ] || fail "$1: the page scrolls sideways"
   if [ "$SCALE" -gt "$2" ] || { [ "$larger" = true ] && [ "$SCALE" -lt "$2" ]; }; then
      fail "$1: the picture takes $SCALE device pixels a frame pixel, not as many as fit, at most $2"
   fi
}

# Chromium's flags for a screen to fill full screen, and without
# WebAssembly; WebKit's screen is its X server's, and its JavaScriptCore
# runs without WebAssembly when told so in its environment.
SCREEN_FLAGS=()
[ "$ENGINE" = chromium ] && SCREEN_FLAGS=("--screen-info={$SCREEN}")

start_browser "$SITE" "${SCREEN_FLAGS[@]}"
# The most pictures a second the browser shows here, from a page that only
# puts one in a canvas at each animation frame.
browser open bare
sleep 0.5
page_rates "$GAP"
CANVAS_X10=$PUTS_X10
echo "a bare canvas: $(x10 "$CANVAS_X10") pictures a second, $(x10 "$FRAMES_X10") animation frames"
start_page
check_eval '(c => [c.width, c.height, c.clientWidth, c.clientHeight])(document.querySelector("canvas"))' \
   '[640,480,640,480]' "the canvas's size and the size shown are not 640x480"
echo "canvas: 640x480, shown at 640x480"
wait_for_message 10 "$KEYS"
check_frames 3 0.3
# A turn's message with no turn waiting for it is passed over, without an
# error in the console (checked at the end).
browser eval 'postMessage("allegro web turn", "*")'

# Paced frames follow the shots' counts too, which tell that they advance.
check_paced paced "$GAP" 1 "$TICK_HZ"
check_paced_rate paced
# Tab held outruns twice the paced rate; under a sanitizer, which slows the
# program several times over, the tick, which paced frames never pass.
tab_floor=$TICK_HZ
[ -n "$PAGE_CHECKS" ] && tab_floor=$((PACED_X10 * 2 / 10))
check_tab_outruns_tick "$HOLDS" "$TAB_HOLD" "$HOLDS_PROVED" "$tab_floor"
check_paced released "$GAP" 1 "$TICK_HZ"
check_paced_rate released

if [ -n "$PAGE_CHECKS" ]; then

# ---- Full screen, and out again

# Where a window manager shows the browser full screen, the window grows
# after the page has gone full screen, and the page fits the picture then.
browser click full
wait_until 10 "!!document.fullscreenElement && innerWidth > $WINDOW_WIDTH"
sleep 0.2   # for the page's handler of the resize
check_place "full screen" 99
[ "$SCALE" -gt 2 ] || fail "full screen: the screen has no room for a larger picture than the window's"
check_eval 'getComputedStyle(document.fullscreenElement).backgroundColor' '"rgb(0, 0, 0)"' \
   "full screen: the picture does not lie on black"
sleep "$FULL_NOTICE"
check_frames 2 0.3
# Chromium leaves full screen on Escape's press; Gecko keeps both the press
# and the release from the page and leaves on the release.
browser key down Escape
[ "$ENGINE" = chromium ] && wait_until 10 '!document.fullscreenElement'
browser key up Escape
wait_until 10 "!document.fullscreenElement && innerWidth <= $WINDOW_WIDTH"
sleep 0.2
check_place "full screen left" 2
# Still running, and paced. The checks of the rate after this one ask only
# that the demo runs and never passes the tick, as Tab held would: the
# paced rate's bounds are the checks above's, and each more of them would
# be one more to spoil on a busy machine.
check_paced after-full-screen "$GAP" 1 "$TICK_HZ"

fi

# ---- The end, and starting again

browser key down Escape
wait_for_message 10 "$ENDED"
browser key up Escape
take_point ended-1
sleep 0.5
take_point ended-2
match_point ended-1; t_end=$POINT_T
match_point ended-2
[ "$POINT_T" -eq "$t_end" ] || fail "the picture still moves after the end: frame $t_end, then $POINT_T"
echo "the picture stays at frame $t_end"
browser errors
[ "$BROWSER_SAYS" = none ] || fail "errors in the console: $BROWSER_SAYS"
check_eval 'shown.refused' '[]' "the page's content policy refused something"
echo "console: no errors; content policy: nothing refused"

if [ -z "$PAGE_CHECKS" ]; then
   stop_browser
else

browser key down Tab
browser key up Tab
check_eval 'document.activeElement.id' '"again"' "Tab does not reach the control to start again"
browser eval 'performance.timeOrigin'; opened=$BROWSER_SAYS
browser key down Enter
browser key up Enter
wait_until 10 "performance.timeOrigin !== $opened && document.readyState === 'complete'"
wait_for_page_frame
[ "$FIRST_T" -le "$LOW_FRAME" ] || fail "started again, the demo's first frame seen is $FIRST_T"
echo "started again: frame $FIRST_T first"
check_paced started-again "$GAP" 1 "$TICK_HZ"
stop_browser

# ---- A phone, upright and turned

if [ -n "$PHONE_CHECKS" ]; then
start_browser "$SITE"
browser phone "$PHONE"
browser open
wait_for_message 10 "$TOUCH"
check_place "phone upright" 6
wait_for_page_frame
check_frames 2 0.3
check_paced phone-paced "$GAP" 1 "$TICK_HZ"
check_tab_outruns_tick 2 "$TAB_HOLD" 1 $((PACED_X10 * 2 / 10)) touch
# Slid off the picture, the finger no longer holds the pacing off.
browser touch start
browser touch off
check_paced touch-slid-off "$GAP" 1 "$TICK_HZ"
browser touch end
read -r w h <<<"$PHONE"
browser phone "$h $w"
wait_until 10 'innerWidth > innerHeight'
sleep 0.2   # for the page's handler of the resize
check_place "phone turned" 6
check_frames 2 0.3
stop_browser
fi

# ---- A strict content policy, the keyboard's focus, installing, offline

start_browser "$SITE"
browser policy "$POLICY"
browser open framed
wait_for_message 10 "$CLICK"
browser click screen
wait_for_message 10 "$KEYS"
start_page
check_frames 2 0.3
check_eval 'shown.refused' '[]' "the content policy as a header refused something"
browser errors
[ "$BROWSER_SAYS" = none ] || fail "errors in the console under the content policy as a header: $BROWSER_SAYS"
echo "content policy as a header: nothing refused, no errors"
if [ -n "$INSTALL_CHECKS" ]; then
   browser installable
   [ "$BROWSER_SAYS" = none ] || fail "Chromium cannot install the page: $BROWSER_SAYS"
   echo "installable"
fi

# Waits until the site's files are kept under the names that the sw.js in
# each FOLDER gives for the folder PATH of the site (/ when not given) it is
# served at, and no others are; sets KEPT to the names, in order.
#
# usage: wait_for_kept FOLDER[@PATH] ...
wait_for_kept()
{
   local at build names=()
   browser eval 'location.origin'
   for at in "$@"; do
      build=$(sed -n "s/^var BUILD = '\(.*\)';$/\1/p" "${at%@*}/sw.js")
      [ -n "$build" ] || fail "${at%@*}/sw.js names no build"
      [[ $at = *@* ]] || at=$at@/
      names+=("blobs ${BROWSER_SAYS//\"/}${at#*@} $build")
   done
   KEPT=$(printf '%s\n' "${names[@]}" | sort | paste -sd ,)
   wait_until 20 "caches.keys().then(k => k.sort().join() === '$KEPT')"
   echo "kept: $KEPT"
}
if [ -n "$NETWORK_CHECKS" ]; then
wait_for_kept "$SITE"

# The host alters the page, as hosts add tags: the page as served, this
# build's by its mark, runs (at the folder's address, which the browser's
# HTTP cache does not hold).
sed 's|<main>|<main><p id="added">Served by a host</p>|' "$SITE/index.html" >"$WORK/altered.html"
browser fail / "$WORK/altered.html"
browser at /
start_page
check_eval '!!document.getElementById("added")' true "the page as the host altered it is not shown"
echo "the page as the host altered it runs"
browser at /index.html

# A second build, visited online, takes the first one's place; then, with
# the network cut, the page opens again and runs the second build. The
# second build is a different
# blobs.wasm (the same, with a section that WebAssembly sets aside for
# tools: a custom one, named "second"), a blobs.js that cannot run the
# first build's blobs.wasm, as a program linked again could not (it refuses
# one without that section, with the error the runtime would meet), and
# the service worker and marks that the build makes for the site.
mkdir "$WORK/second"
cp "$SITE"/* "$WORK/second"
printf '\0\7\6second' >>"$WORK/second/blobs.wasm"
cat >>"$WORK/second/blobs.js" <<'EOF'
(instantiate => { WebAssembly.instantiate = (bytes, imports) =>
   new TextDecoder().decode(bytes).includes('second') ? instantiate(bytes, imports) :
      Promise.reject(new WebAssembly.LinkError("the first build's blobs.wasm")); })(WebAssembly.instantiate);
EOF
files=$(sed -n "s/^var FILES = \[\(.*\)\];$/\1/p" "$SITE/sw.js" | tr -d "',")
# shellcheck disable=SC2086 # a word for each file
"$WEB_DIR/offline.py" "$WORK/second" "$WEB_DIR/sw.js.in" $files ||
   fail "offline.py could not make the second build's service worker"

# ---- One build per visit: the second build put in place with its
# blobs.wasm failing (the server hangs up), and then answered with the
# first build's (a build half put in place, or a cache on the way that
# kept the old file). Each visit runs the first build whole, from the
# network where it answers with the first build's files and from the kept
# copies where not; the second build's worker, finding a file that is not
# its build's, is not installed, and the first build's copies stay kept,
# whole: opened with the network cut, the page runs the first build.
browser serve "$WORK/second"
for broken in "" "$SITE/blobs.wasm"; do
   how=${broken:+answered with the first build\'s}
   how="the second build's blobs.wasm ${how:-failing}"
   browser fail /blobs.wasm ${broken:+"$broken"}
   browser network off   # and on again: the browser's HTTP cache emptied, so
   browser network on    # that the server answers, with the second build
   browser open
   wait_until 20 'shown.first !== null || !document.getElementById("again").hidden'
   check_eval 'document.getElementById("again").hidden || document.getElementById("message").textContent' true \
      "with $how, the demo does not run"
   check_frames 2 0.3
   browser eval 'navigator.serviceWorker.getRegistration().then(r => r.update()).catch(() => true).then(() => true)'
   wait_until 20 'navigator.serviceWorker.getRegistration().then(r => !r.installing && !r.waiting && r.active.state === "activated")'
   check_eval 'caches.keys().then(k => k.sort().join())' "\"$KEPT\"" "with $how, the caches are not the first build's alone"
   echo "with $how: the first build runs, and stays kept"
done
browser fail
browser network off
start_page
check_frames 2 0.3
SIZE='fetch("blobs.wasm").then(r => r.arrayBuffer()).then(b => b.byteLength)'
check_eval "$SIZE" "$(stat -c %s "$SITE/blobs.wasm")" "offline, blobs.wasm is not the first build's kept one"
echo "opened again offline: the first build"
# An address deeper in the folder, where the page's files would not be
# found, is a line (its 503 left out of the console's errors).
browser at /deeper/
browser open
wait_for_message 10 "$NOT_KEPT"
browser errors
browser at /index.html
browser network on

# The second build whole, put in place while the first runs: its worker
# keeps it and waits, and the open page goes on taking the first build's
# files, which it would not if the new worker took it over. The next visit
# runs the second build.
browser serve "$WORK/second"
start_page
WAITING='navigator.serviceWorker.getRegistration().then(r => !!r.waiting && r.waiting.state === "installed" && navigator.serviceWorker.controller === r.active)'
wait_until 20 "$WAITING"
sleep 1
check_eval "($WAITING).then(w => w && $SIZE)" "$(stat -c %s "$SITE/blobs.wasm")" \
   "with the first build open, the second build's worker did not wait, or the page's blobs.wasm is not the first build's"
echo "the second build waits while the first build's page is open"
# Chromium lets a new worker take over once the old one has nothing left to
# do, which its driver's attachment to the worker keeps from being seen:
# the test stops the site's workers before the visit, and again each second
# while the page, having asked the new one to take over, waits for it,
# where the old one, started again for the visit, still keeps it waiting;
# never while the page loads a build, whose files a stopped worker fails.
[ "$ENGINE" = chromium ] && browser idle
browser open
for _ in $(seq 20); do
   sleep 1
   browser eval 'navigator.serviceWorker.getRegistration().then(r => !r.waiting || !!document.querySelector("[src=\"blobs.js\"]"))'
   [ "$BROWSER_SAYS" = true ] && break
   [ "$ENGINE" = chromium ] && browser idle
done
wait_for_page_frame
wait_for_kept "$WORK/second"
browser network off
start_page
check_frames 2 0.3
check_eval "$SIZE" "$(stat -c %s "$WORK/second/blobs.wasm")" "offline, blobs.wasm is not the second build's"
echo "opened again offline: the second build"

# Another site in the folder, without sw.js: the visits show it, and the
# worker leaves, with all it kept.
browser network on
mkdir "$WORK/other" && echo '<!DOCTYPE html><title>Another site</title>' >"$WORK/other/index.html"
browser serve "$WORK/other"
for visit in 1 2; do
   browser open
   check_eval 'document.title' '"Another site"' "visit $visit to another site in the folder shows another page"
   wait_until 20 'caches.keys().then(k => !k.length && navigator.serviceWorker.getRegistration().then(r => !r))'
done
echo "another site in the folder: shown, and nothing of the demo kept"
fi
stop_browser

if [ -n "$NETWORK_CHECKS" ]; then
# ---- Two copies of the site on one host, the first build in /a/ and the
# second in /b/: each keeps its own files, visiting one leaves the other's
# kept, and with the network cut both open. /a/index.html is a redirect
# to /a/: kept as a plain answer, offline too, and followed online.
mkdir "$WORK/two"
cp -r "$SITE" "$WORK/two/a"
cp -r "$WORK/second" "$WORK/two/b"
start_browser "$WORK/two"
browser fail /a/index.html moved
browser at /a/
start_page
wait_for_kept "$WORK/two/a@/a/"
browser at /a/index.html
start_page
check_eval 'location.pathname' '"/a/"' "online, /a/index.html, moved to /a/, does not open /a/"
# Kept of /b/ by an earlier worker, under a name without the folder, which
# /b/'s worker drops.
browser eval 'caches.open("blobs-0123456789abcdef").then(c => c.put("/b/index.html", new Response("")))'
browser at /b/
start_page
wait_for_kept "$WORK/two/a@/a/" "$WORK/two/b@/b/"
browser network off
for at in a/ a/index.html b/; do
   browser at "/$at"
   start_page
   check_frames 2 0.3
done
echo "two copies of the site, offline: both open, and /a/index.html too"
stop_browser
fi

[ -n "$NO_WASM_ENV" ] && export "${NO_WASM_ENV?}"
start_browser "$SITE" "${NO_WASM_FLAGS[@]}"
[ -n "$NO_WASM_ENV" ] && unset "${NO_WASM_ENV%%=*}"
browser open
wait_for_message 10 "$NO_WASM"
stop_browser

start_browser "$SITE"
browser open no-canvas
wait_for_message 10 "$NO_CANVAS"
stop_browser

mkdir "$WORK/site"
cp "$SITE"/index.html "$SITE"/page.js "$SITE"/page.css "$SITE"/blobs.js "$WORK/site"
start_browser "$WORK/site"
browser fail /page.js   # first, before any browser's cache holds it
browser open
wait_for_message 10 "$NO_SCRIPT"
browser fail
browser open
wait_for_message 10 "$NO_PROGRAM"
stop_browser

# WebAssembly refused: by the host's policy without 'wasm-unsafe-eval',
# which the line says. With the page's first module let through, the
# program's own is refused: the line tells why at length, and keeps its
# words a second later, once the picture has been fitted to the longer
# line (a loop of the page's resize observer, reported as an error, once
# took their place). Refused without a policy, by the browser's settings,
# and by a policy with 'wasm-unsafe-eval' in a browser that does not know
# it (as Safari 15 words its error), or in one without addEventListener on
# its media queries (as Safari before 14), the line says that.
start_browser "$SITE"
browser policy "${POLICY/ \'wasm-unsafe-eval\'/}"
browser open
wait_for_message 10 "$REFUSED_POLICY"
browser before 'WebAssembly.Module = WebAssembly.Instance = function () {};'
browser open
wait_until 10 '!document.getElementById("again").hidden'
sleep 1
browser eval 'document.getElementById("message").textContent'
[[ $BROWSER_SAYS = '"The demo could not start: CompileError: '* ]] ||
   fail "the program refused by the policy, the page says $BROWSER_SAYS"
echo "the program refused by the policy: ${BROWSER_SAYS:0:80}..."
browser before 'WebAssembly.Module = function () { throw new WebAssembly.CompileError("refused"); };'
browser open
wait_for_message 10 "$REFUSED_SETTING"
browser before "WebAssembly.Module = function () { throw new WebAssembly.CompileError('the following Content Security Policy directive: \"script-src \\'wasm-unsafe-eval\\'\"'); };"
browser open
wait_for_message 10 "$TOO_OLD_POLICY"
browser before 'MediaQueryList.prototype.addEventListener = undefined;'
browser open
wait_for_message 10 "$TOO_OLD"
stop_browser

fi

# ---- Displays faster than the tick: the page's animation frames driven at
# 120 and 144 a second. Paced, each frame still waits for a tick, so at most
# 100 come a second (and a little more, for the timing of the shots), and at
# least half that on a machine busy with other work (a quarter under a
# sanitizer, which slows the program several times over). The
# tick wait hands the page the thread until the tick has come, not turn
# after turn: counted around the port's queue of turns, the page gets one
# for each frame, that of the pass's end (spinning, it got dozens). In the
# last page the clock is moved on by 31 minutes, more than the library's
# timer counts at once: the frames go on.
FAST_HZ="120 144"
TICK_SLACK=4          # frames a second beyond the tick's, for the shots' timing
FAST_LEAST=$((TICK_HZ / 2))
[ -n "$PAGE_CHECKS" ] || FAST_LEAST=$((TICK_HZ / 4))
TURNS_MOST=2          # turns the page may give the program for each frame
JUMP_MS=$((31 * 60 * 1000))
COUNT_TURNS='(a => { const turn = a.turn; window.turns = { n: 0, since: performance.now() };
   a.turn = f => { turns.n++; turn(f); }; return true; })(Module.alweb)'
for hz in $FAST_HZ; do
   start_browser "$SITE"
   start_page animation "$hz"
   browser eval "${COUNT_TURNS//$'\n'/ }"
   check_paced "paced-$hz" "$GAP" "$FAST_LEAST" $((TICK_HZ + TICK_SLACK))
   browser eval 'turns.n * 1000 / (performance.now() - turns.since)'
   awk -v hz="$hz" -v turns="$BROWSER_SAYS" -v frames="$PACED_X10" -v most="$TURNS_MOST" \
      'BEGIN { n = turns * 10 / frames; printf "at %d Hz: %.2f turns of the page a frame\n", hz, n; exit n > most }' ||
      fail "paced at $hz Hz, the page gave the program more than $TURNS_MOST turns a frame"
   [ "$hz" = "${FAST_HZ##* }" ] || stop_browser
done
browser eval "clock.skip($JUMP_MS)"
check_paced clock-moved-on "$GAP" "$FAST_LEAST" $((TICK_HZ + TICK_SLACK))
stop_browser
