#!/bin/sh
# Fails the link of the web program when the port's answer to file lookups
# (allegro/web/wfile.js) no longer answers anything. It replaces the
# runtime's system calls for files by their names; a runtime that names
# them otherwise (a newer one opens files with __syscall_openat) would
# leave them unused, silently, and the library's look for its files would
# meet the runtime's own calls instead. The runtime puts into the program's
# script only the functions its WebAssembly imports, each as an entry of
# the imports' table, `NAME: _NAME' (the name minified in a release build):
# each function the port defines must be there. A failed check removes the
# script, so that the next build links again.
#
# usage: check-file-calls.sh WFILE_JS PROGRAM_JS
set -u
ours=$1 program=$2
names=$(sed -n 's/^ *\(__syscall_[a-z0-9_]*\): *function.*/\1/p' "$ours")
[ -n "$names" ] || { echo "check-file-calls.sh: $ours defines no system call" >&2; exit 1; }
status=0
for name in $names; do
   if ! grep -q -E "[\"']?[A-Za-z0-9_\$]+[\"']? *: *_$name([^A-Za-z0-9_]|\$)" "$program"; then
      echo "check-file-calls.sh: the program never calls $name, which ${ours##*/} answers:" \
           "the runtime calls its files otherwise now" >&2
      status=1
   fi
done
[ "$status" -eq 0 ] || rm -f "$program"
exit "$status"
