#!/bin/sh
# The web port's keyboard driver knows every key the library names: each
# KEY_ name of the library's keyboard.h is the scancode of one of the page's
# key codes in the driver's table, or is named in the driver's header
# comment among the keys no browser reports. KEY_MODIFIERS and KEY_MAX name
# no key, and KEY_UNKNOWN1 ... 8 are the library's places for keys it has
# no name for.
#
# usage: web_keys.sh KEYBOARD_H WKEYBD_C
set -u
names=$(sed -n 's/^#define \(KEY_[A-Z0-9_]*\) .*/\1/p' "$1" | grep -v -x -e KEY_MODIFIERS -e KEY_MAX -e 'KEY_UNKNOWN[1-8]')
[ "$(echo "$names" | wc -l)" -gt 100 ] || { echo "FAIL: $1 names too few keys: $names"; exit 1; }
mapped=$(grep -o '{ "[A-Za-z0-9]*", KEY_[A-Z0-9_]* }' "$2" | sed 's/.*\(KEY_[A-Z0-9_]*\) }/\1/')
unreported=$(sed -n '1,/\*\//p' "$2" | grep -o 'KEY_[A-Z0-9_]*')
status=0
for name in $names; do
   if ! echo "$mapped" | grep -q -x "$name" && ! echo "$unreported" | grep -q -w "$name"; then
      echo "FAIL: $name is neither mapped nor named as a key no browser reports"
      status=1
   fi
done
echo "$(echo "$names" | wc -l) keys: $(echo "$mapped" | sort -u | wc -l) mapped, the rest named as unreported"
exit "$status"
