#!/bin/sh
# Fails the link of the web program when its Asyncify lists name a function
# that it does not have: a name mistyped, or left behind when the function
# was renamed, would otherwise only draw a warning from wasm-opt, and the
# program would fail in the page at its first wait. The optimiser also puts
# some listed functions into their callers, which are listed too, and
# wasm-opt warns of those in the same words; so the names are checked here,
# before the link, against the functions the compiled objects define. Each
# name of ONLY_LIST (ASYNCIFY_ONLY, one a line, C++ functions with their
# parameters) must be a function defined there, and each of IMPORTS
# (ASYNCIFY_IMPORTS, separated by commas) a function in JavaScript that
# EM_JS defines there.
#
# usage: check-asyncify.sh NM ONLY_LIST IMPORTS OBJECT_OR_ARCHIVE...
set -u
nm=$1 only=$2 imports=$3
shift 3
symbols=$("$nm" -C --defined-only "$@" 2>/dev/null) ||
   { echo "check-asyncify.sh: $nm could not read $*" >&2; exit 1; }
defined=$(printf '%s\n' "$symbols" | sed -n 's/^[0-9a-f]* [A-Za-z] //p')
status=0
# usage: check SYMBOL LIST NAME
check()
{
   if ! printf '%s\n' "$defined" | grep -q -x -F -e "$1"; then
      echo "check-asyncify.sh: $2 names $3, which the program does not define" >&2
      status=1
   fi
}
list=${only##*/}
while IFS= read -r name; do
   [ -n "$name" ] && check "$name" "$list" "$name"
done <"$only"
for name in $(echo "$imports" | tr , ' '); do
   check "__em_js__$name" ASYNCIFY_IMPORTS "$name"
done
exit "$status"
