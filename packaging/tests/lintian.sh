#!/bin/sh
# Lintian finds no error in the package; its warnings and notes are shown for
# the log but do not fail the check.
#
# usage: lintian.sh OUT   (the folder build.sh made)
set -u
command -v lintian >/dev/null || { echo "FAIL: lintian is not installed (scripts/install-deps.sh --test)"; exit 1; }
set -- "$1"/blobs_*.deb
lintian --fail-on error --display-info "$1"
status=$?
[ "$status" -eq 0 ] && echo "lintian: no error in $(basename "$1")"
exit "$status"
