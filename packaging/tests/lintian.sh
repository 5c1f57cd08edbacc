#!/bin/sh
# The package as a Debian maintainer checks it: lintian, pedantic and with
# its informational tags, finds nothing at all, and hardening-check finds
# every protection in its blobs. hardening-check answers "unknown" for
# stack-clash protection when no function has a frame large enough to be
# probed, as none of the demo's has; only a "no" fails.
#
# usage: lintian.sh OUT   (the folder build.sh made)
set -u
for tool in lintian hardening-check; do
   command -v "$tool" >/dev/null ||
      { echo "FAIL: $tool is not installed (scripts/install-deps.sh --test)"; exit 1; }
done
out=$1
set -- "$out"/blobs_*.deb
status=0

# Lintian prints one line per tag; it also fails on one.
tags="$(lintian --pedantic --display-info --display-experimental \
                --fail-on error,warning,info,pedantic,experimental "$1" 2>"$out/lintian.err")" ||
   status=1
if [ -n "$tags" ] || [ "$status" -ne 0 ]; then
   echo "FAIL: lintian on $(basename "$1"):"
   echo "$tags"
   cat "$out/lintian.err"
   status=1
else
   echo "lintian: no tag on $(basename "$1")"
fi

# It prints every check, and fails on a "no".
hardening-check "$out/root/usr/bin/blobs" || { echo "FAIL: hardening-check"; status=1; }
exit "$status"
