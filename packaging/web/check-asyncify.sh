#!/bin/sh
# Runs the link of the web program and fails it when a wait would not hand
# the page its thread: when a function that can be on the stack during a
# wait is left out of Asyncify's instrumentation. A function left out
# returns from the wait at once, the page never gets its turn, and nothing
# but the page itself would show it.
#
# The link asks the optimiser for its report (ASYNCIFY_ADVISE, run on one
# thread so that its lines do not interleave): which functions can reach
# one of the port's waits through the calls it sees, and which functions
# the list (ASYNCIFY_ONLY) has it instrument, by the names left once it has
# put small functions into their callers. Fails the link when
#   - the list names a function that the optimised program no longer has
#     (a name mistyped or left behind, or one that the optimiser now puts
#     into its callers: the list is made for what it keeps),
#   - a function reaches a wait through a direct call of one of the port's
#     waits (ASYNCIFY_IMPORTS) or of an instrumented function, and is not
#     instrumented (Debian 13's optimiser reports every such call, Debian
#     12's the first it finds in each function),
#   - one of HOLDERS, the functions that reach the port's waits only
#     through the library's driver pointers (which the report cannot
#     follow), is in the program and not instrumented; the first, the
#     program's entry, must be there.
# The report's lines are kept out of the build's output; everything else
# the link prints passes through. A failed check removes the program
# (LINK_COMMAND's -o), so that the next build links again.
#
# usage: check-asyncify.sh IMPORTS HOLDERS LINK_COMMAND...
#   (IMPORTS separated by commas, HOLDERS by spaces)
set -u
imports=$1 holders=$2
shift 2
report=$(BINARYEN_CORES=1 "$@" 2>&1)
status=$?
printf '%s\n' "$report" | grep -v -e '^\[asyncify\] ' -e 'Asyncify onlylist contained a non-existing' -e '^$'
[ "$status" -eq 0 ] || exit "$status"
printf '%s\n' "$report" | awk -v imports="$imports" -v holders="$holders" '
   BEGIN {
      n = split(imports, list, ","); for (i = 1; i <= n; i++) wait[list[i]] = 1
      nh = split(holders, hold, " ")
   }
   /^warning: Asyncify onlylist contained a non-existing function name: / {
      sub(/^warning: Asyncify onlylist contained a non-existing function name: /, "")
      print "check-asyncify.sh: ASYNCIFY_ONLY names " $0 ", which the optimised program does not have"
      failed = 1
   }
   /^\[asyncify\] .* can change the state due to / {
      line = substr($0, 12); at = index(line, " can change the state due to ")
      caller[++edges] = substr(line, 1, at - 1); callee[edges] = substr(line, at + 29)
   }
   /^\[asyncify\] .*.s state is set based on the only-list to [01]$/ {
      line = substr($0, 12); at = index(line, "\047s state is set based on the only-list to ")
      name = substr(line, 1, at - 1); present[name] = 1
      if (substr(line, length(line)) == "1") instrumented[name] = 1
   }
   END {
      for (e = 1; e <= edges; e++)
         if ((callee[e] in wait || callee[e] in instrumented) && !(caller[e] in instrumented)) {
            print "check-asyncify.sh: " caller[e] " waits through " callee[e] " but is not instrumented"
            failed = 1
         }
      if (!(hold[1] in instrumented)) {
         print "check-asyncify.sh: " hold[1] ", where every wait starts, is not instrumented"
         failed = 1
      }
      for (i = 2; i <= nh; i++)
         if (hold[i] in present && !(hold[i] in instrumented)) {
            print "check-asyncify.sh: " hold[i] " waits through the library\047s drivers but is not instrumented"
            failed = 1
         }
      exit failed
   }' >&2 && exit 0
while [ "$#" -gt 1 ] && [ "$1" != -o ]; do shift; done
[ "$#" -gt 1 ] && rm -f "$2"
exit 1
