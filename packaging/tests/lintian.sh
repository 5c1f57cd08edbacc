#!/bin/sh
# The package as a Debian maintainer checks it: lintian, pedantic and with
# its informational tags, finds nothing at all, and hardening-check finds
# every protection in its blobs. hardening-check answers "unknown" for
# stack-clash protection when no function has a frame large enough to be
# probed, as none of the demo's has; only a "no" fails.
#
# Its check of control-flow protection looks for x86's marks (IBT, SHSTK),
# and a newer hardening-check's (Debian 13's) of branch protection for
# arm64's (BTI, PAC): each program is held to its own architecture's. A
# program for arm64 shows its protection in its code as well, which
# OBJDUMP, the disassembler for the package's architecture, is asked for
# where hardening-check has no such check: return addresses signed
# (paciasp) and checked, with branch targets marked beside them
# (-mbranch-protection=standard). hardening-check also asks the machine's
# own objdump for x86 code there, which it reports it cannot disassemble;
# stack-clash protection shows as "unknown" again.
#
# usage: lintian.sh OUT [OBJDUMP]   (OUT is the folder build.sh made)
set -u
for tool in lintian hardening-check; do
   command -v "$tool" >/dev/null ||
      { echo "FAIL: $tool is not installed (scripts/install-deps.sh --test)"; exit 1; }
done
out=$1
objdump=${2:-objdump}
set -- "$out"/blobs_*.deb
status=0
blobs="$out/root/usr/bin/blobs"

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
branch_check=""
hardening-check --help 2>&1 | grep -q -e --nobranchprotection && branch_check=yes
case "$(dpkg-deb -f "$1" Architecture)" in
   amd64 | i386)
      hardening-check ${branch_check:+--nobranchprotection} "$blobs" ||
         { echo "FAIL: hardening-check"; status=1; } ;;
   arm64)
      hardening-check --nocfprotection "$blobs" || { echo "FAIL: hardening-check"; status=1; }
      signed=$("$objdump" -d "$blobs" | grep -cE '\spaciasp$')
      echo " Control flow integrity (arm64): $signed functions sign their return address"
      [ "$signed" -gt 0 ] || { echo "FAIL: no function signs its return address"; status=1; } ;;
   *)
      echo "FAIL: no check of control-flow protection for $(dpkg-deb -f "$1" Architecture)"
      status=1 ;;
esac
exit "$status"
