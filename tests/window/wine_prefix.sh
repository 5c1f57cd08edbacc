#!/bin/sh
# A fresh Wine prefix for the tests of the Windows program, in PREFIX: its
# registry and its C: drive, made once by wineboot (about ten seconds) and
# shared by the tests that follow, each of which stops Wine again.
#
# usage: wine_prefix.sh PREFIX
set -u
command -v wineboot >/dev/null || { echo "FAIL: Wine is not installed (scripts/install-deps.sh --windows)"; exit 1; }
rm -rf "$1"
export WINEPREFIX="$1" WINEDEBUG=-all
wineboot -i >"$1.log" 2>&1 || { echo "FAIL: wineboot could not make $1:"; cat "$1.log"; exit 1; }
wineserver -w
[ -d "$1/drive_c/windows" ] || { echo "FAIL: wineboot made no C: drive in $1"; exit 1; }
echo "Wine prefix made in $1 ($(wine --version 2>/dev/null))"
