#!/bin/bash
# The blobs a package put somewhere, unpacked or installed, works like the
# built one: under an X server and window manager of its own it opens its
# 640x480 window, which carries the class of the package's menu entry, the
# demo's process id and the package's 48 pixel icon, and which the window
# manager lists as blobs.Blobs of that process; it shows a frame equal to one
# the frame tool composes, and ends with status 0 and without a word when
# Escape is held.
#
# usage: run.sh BLOBS BLOBS_FRAMES   (BLOBS in the bin folder beside share)
# shellcheck source-path=SCRIPTDIR
BLOBS=$1
BLOBS_FRAMES=$2
# shellcheck source=../../tests/window/session.sh
. "$(dirname "$0")/../../tests/window/session.sh"

ESCAPE_LIMIT=10   # seconds the demo may take to end once Escape is down

[ -x "$BLOBS" ] || fail "no executable at $BLOBS"
start_x
start_wm
# shellcheck disable=SC2119 # no wrapper command: the demo runs as installed
start_demo

check_window_size
prefix="$(dirname "$BLOBS")/.."   # /usr, or usr in the unpacked package
check_identity "$prefix/share/applications/blobs.desktop" \
   "$prefix/share/icons/hicolor/48x48/apps/blobs.png"
# wmctrl -lpx prints: window desktop pid instance.class host caption
listed=$(wmctrl -lpx | awk -v id="$(printf '0x%08x' "$WINDOW")" '$1 == id { print $3, $4 }')
[ "$listed" = "$DEMO_PID blobs.Blobs" ] ||
   fail "the window manager lists the window as '$listed', not '$DEMO_PID blobs.Blobs': $(wmctrl -lpx)"
echo "$BLOBS: listed by the window manager as $listed"

take_point shot
match_point shot
echo "$BLOBS: shows frame $POINT_T"

end_with_escape "$ESCAPE_LIMIT"
[ "$DEMO_STATUS" -eq 0 ] || fail "exit status $DEMO_STATUS after Escape, not 0"
[ ! -s "$WORK/demo.log" ] || fail "the demo printed: $(cat "$WORK/demo.log")"
echo "$BLOBS: ended with status 0 on Escape"
