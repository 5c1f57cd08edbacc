#!/bin/sh
# The Windows build stops at configure, with one clear message saying what
# to give, when the library's tarball is not given, is not there, or is not
# the 4.4.3.1 release (the demo's LICENSE stands in for a wrong file).
#
# usage: configure.sh CMAKE SOURCE_DIR
set -u
cmake=$1
source=$2

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0

# Configures with the arguments after $1, and fails unless configure stops
# with a message that holds $1 and says what to give.
expect_stop()
{
   said=$1
   shift
   rm -rf "$work/build"
   if "$cmake" -S "$source" -B "$work/build" --toolchain "$source/cmake/mingw-w64.cmake" "$@" \
         >"$work/log" 2>&1; then
      echo "FAIL: configure went on with $*"
      status=1
      return
   fi
   message=$(sed -n '/^CMake Error/,/^Call Stack/p' "$work/log" | sed '1d;$d' | tr -s ' \n' ' ')
   case "$message" in
      *"$said"*"give -DBLOBS_ALLEGRO_SOURCE=<path or URL of allegro-4.4.3.1.tar.gz>"*)
         echo "with ${*:-nothing}: $message" ;;
      *) echo "FAIL: with ${*:-nothing}, configure said: $(cat "$work/log")"; status=1 ;;
   esac
}

expect_stop "compiles the graphics library from its source"
expect_stop "there is no file $work/none.tar.gz" -DBLOBS_ALLEGRO_SOURCE="$work/none.tar.gz"
expect_stop "is not the library's 4.4.3.1 release" -DBLOBS_ALLEGRO_SOURCE="$source/LICENSE"
exit "$status"
