#!/bin/sh
# The manual page renders without a warning from man or groff, and the menu
# entry passes desktop-file-validate without a word: both print their
# complaints and still succeed, so their output is what counts.
#
# usage: texts.sh MANUAL_PAGE DESKTOP_ENTRY
set -u
page=$1
entry=$2
status=0

command -v man >/dev/null || { echo "FAIL: man is not installed (scripts/install-deps.sh --test)"; exit 1; }
command -v desktop-file-validate >/dev/null ||
   { echo "FAIL: desktop-file-validate is not installed (scripts/install-deps.sh --test)"; exit 1; }

# A fixed width, so that the rendering does not depend on the terminal.
if ! rendered="$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"; then
   echo "FAIL: man could not render $page: $rendered"
   status=1
elif [ -n "$rendered" ]; then
   echo "FAIL: man warns about $page:"
   echo "$rendered"
   status=1
else
   echo "manual page: renders without a warning"
fi

if ! said="$(desktop-file-validate "$entry" 2>&1)" || [ -n "$said" ]; then
   echo "FAIL: desktop-file-validate on $entry:"
   echo "$said"
   status=1
else
   echo "menu entry: valid"
fi
exit "$status"
