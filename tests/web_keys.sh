#!/bin/sh
# The web port's keyboard driver knows every key the library names, and maps
# each of the page's key codes to the right one. Each KEY_ name of the
# library's keyboard.h is the scancode of one of the key codes in the
# driver's table, or is named in the driver's header comment among the keys
# no browser reports; KEY_MODIFIERS and KEY_MAX name no key, and
# KEY_UNKNOWN1 ... 8 are the library's places for keys it has no name for.
#
# What each code maps to is checked against the names alone: the code of the
# key a library name stands for is, by the UI Events standard's naming, its
# name in capitals with a prefix for letters, digits, the keypad and the
# arrows, and with Left or Right at the end for a key that comes in a pair
# (KeyA is KEY_A, Digit1 KEY_1, Numpad1 KEY_1_PAD, ArrowUp KEY_UP,
# ShiftLeft KEY_LSHIFT, Tab KEY_TAB); the rest, where the two names differ,
# are listed below. A code the table lacks or maps elsewhere fails.
#
# usage: web_keys.sh KEYBOARD_H WKEYBD_C
set -u
names=$(sed -n 's/^#define \(KEY_[A-Z0-9_]*\) .*/\1/p' "$1" | grep -v -x -e KEY_MODIFIERS -e KEY_MAX -e 'KEY_UNKNOWN[1-8]')
[ "$(echo "$names" | wc -l)" -gt 100 ] || { echo "FAIL: $1 names too few keys: $names"; exit 1; }
table=$(grep -o '{ "[A-Za-z0-9]*", KEY_[A-Z0-9_]* }' "$2" | sed 's/{ "\([A-Za-z0-9]*\)", \(KEY_[A-Z0-9_]*\) }/\1 \2/')
mapped=$(echo "$table" | cut -d ' ' -f 2)
unreported=$(sed -n '1,/\*\//p' "$2" | grep -o 'KEY_[A-Z0-9_]*')
status=0
for name in $names; do
   if ! echo "$mapped" | grep -q -x "$name" && ! echo "$unreported" | grep -q -w "$name"; then
      echo "FAIL: $name is neither mapped nor named as a key no browser reports"
      status=1
   fi
done

# The codes whose library names the rule above does not give.
differ='Escape ESC  Backquote TILDE  Equal EQUALS  BracketLeft OPENBRACE  BracketRight CLOSEBRACE
   Semicolon COLON  IntlBackslash BACKSLASH2  Period STOP  Delete DEL  PageUp PGUP  PageDown PGDN
   NumpadDivide SLASH_PAD  NumpadMultiply ASTERISK  NumpadSubtract MINUS_PAD  NumpadAdd PLUS_PAD
   NumpadDecimal DEL_PAD  NumpadEqual EQUALS_PAD  PrintScreen PRTSCR  ScrollLock SCRLOCK
   IntlRo ABNT_C1  IntlYen YEN  KanaMode KANA  Lang1 KANA  Lang2 KANJI  NonConvert NOCONVERT
   AltLeft ALT  AltRight ALTGR  MetaLeft LWIN  MetaRight RWIN  ContextMenu MENU'
echo "$table" | awk -v differ="$differ" '
   BEGIN { n = split(differ, w, " "); for (i = 1; i < n; i += 2) listed[w[i]] = "KEY_" w[i + 1] }
   function named(code) {
      if (code in listed) return listed[code]
      if (code ~ /^Key[A-Z]$|^Digit[0-9]$|^Arrow/) sub(/^(Key|Digit|Arrow)/, "", code)
      else if (code ~ /^Numpad/) { sub(/^Numpad/, "", code); code = code "_Pad" }
      else if (match(code, /.(Left|Right)$/)) code = substr(code, RSTART + 1, 1) substr(code, 1, RSTART)
      return "KEY_" toupper(code)
   }
   { seen[$1] = 1
     if ($2 != named($1)) { print "FAIL: the code " $1 " maps to " $2 ", not " named($1); failed = 1 } }
   END { for (code in listed) if (!(code in seen)) { print "FAIL: no entry for the code " code; failed = 1 }
         exit failed }' || status=1
echo "$(echo "$names" | wc -l) keys: $(echo "$mapped" | sort -u | wc -l) mapped, the rest named as unreported;" \
     "$(echo "$table" | wc -l) codes checked against the keys they stand for"
exit "$status"
