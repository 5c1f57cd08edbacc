/*
 *      The web port's keyboard driver: the page's key events.
 *
 *      A key is known by its place on the keyboard (the event's code), not
 *      by the character it types, as a scancode is: "KeyZ" is KEY_Z on any
 *      layout. Each code maps to the library's scancode for that place, as
 *      the X11 and Windows drivers map theirs. A few names have no key that
 *      a browser reports apart from the others: KEY_AT, KEY_CIRCUMFLEX and
 *      KEY_COLON2 (keys of the NEC PC-98), KEY_BACKQUOTE, KEY_SEMICOLON and
 *      KEY_COMMAND (the Mac driver's names for the keys that are KEY_TILDE,
 *      KEY_COLON and KEY_LWIN/KEY_RWIN here, as under X11), and the places
 *      the library keeps for keys it has no name for, KEY_UNKNOWN1 to 8.
 *
 *      The browser repeats a held key itself, so the library does not (as
 *      under X11, whose server repeats keys). Tab would move the page's
 *      focus away from the program, so while the driver is installed the
 *      browser does not act on it; every other key keeps its meaning to the
 *      browser. When the page loses the focus, it sees no more key
 *      releases, so the keys held then are released.
 */

#include <emscripten.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "aintweb.h"


static int web_key_init(void);
static void web_key_exit(void);


KEYBOARD_DRIVER keyboard_web =
{
   KEYBOARD_WEB,
   empty_string,
   empty_string,
   "Web keyboard",
   FALSE,                 /* autorepeat: the browser repeats keys itself */
   web_key_init,
   web_key_exit,
   NULL, NULL, NULL,      /* poll, set_leds, set_rate */
   NULL, NULL,            /* wait_for_input, stop_waiting_for_input */
   NULL, NULL             /* scancode_to_ascii, scancode_to_name */
};


/* The event's code for each scancode. */
static const struct WEB_KEY {
   AL_CONST char *code;
   int scancode;
} web_keys[] = {
   { "KeyA", KEY_A }, { "KeyB", KEY_B }, { "KeyC", KEY_C }, { "KeyD", KEY_D },
   { "KeyE", KEY_E }, { "KeyF", KEY_F }, { "KeyG", KEY_G }, { "KeyH", KEY_H },
   { "KeyI", KEY_I }, { "KeyJ", KEY_J }, { "KeyK", KEY_K }, { "KeyL", KEY_L },
   { "KeyM", KEY_M }, { "KeyN", KEY_N }, { "KeyO", KEY_O }, { "KeyP", KEY_P },
   { "KeyQ", KEY_Q }, { "KeyR", KEY_R }, { "KeyS", KEY_S }, { "KeyT", KEY_T },
   { "KeyU", KEY_U }, { "KeyV", KEY_V }, { "KeyW", KEY_W }, { "KeyX", KEY_X },
   { "KeyY", KEY_Y }, { "KeyZ", KEY_Z },
   { "Digit0", KEY_0 }, { "Digit1", KEY_1 }, { "Digit2", KEY_2 }, { "Digit3", KEY_3 },
   { "Digit4", KEY_4 }, { "Digit5", KEY_5 }, { "Digit6", KEY_6 }, { "Digit7", KEY_7 },
   { "Digit8", KEY_8 }, { "Digit9", KEY_9 },
   { "Numpad0", KEY_0_PAD }, { "Numpad1", KEY_1_PAD }, { "Numpad2", KEY_2_PAD },
   { "Numpad3", KEY_3_PAD }, { "Numpad4", KEY_4_PAD }, { "Numpad5", KEY_5_PAD },
   { "Numpad6", KEY_6_PAD }, { "Numpad7", KEY_7_PAD }, { "Numpad8", KEY_8_PAD },
   { "Numpad9", KEY_9_PAD },
   { "F1", KEY_F1 }, { "F2", KEY_F2 }, { "F3", KEY_F3 }, { "F4", KEY_F4 },
   { "F5", KEY_F5 }, { "F6", KEY_F6 }, { "F7", KEY_F7 }, { "F8", KEY_F8 },
   { "F9", KEY_F9 }, { "F10", KEY_F10 }, { "F11", KEY_F11 }, { "F12", KEY_F12 },
   { "Escape", KEY_ESC }, { "Backquote", KEY_TILDE }, { "Minus", KEY_MINUS },
   { "Equal", KEY_EQUALS }, { "Backspace", KEY_BACKSPACE }, { "Tab", KEY_TAB },
   { "BracketLeft", KEY_OPENBRACE }, { "BracketRight", KEY_CLOSEBRACE },
   { "Enter", KEY_ENTER }, { "Semicolon", KEY_COLON }, { "Quote", KEY_QUOTE },
   { "Backslash", KEY_BACKSLASH }, { "IntlBackslash", KEY_BACKSLASH2 },
   { "Comma", KEY_COMMA }, { "Period", KEY_STOP }, { "Slash", KEY_SLASH },
   { "Space", KEY_SPACE },
   { "Insert", KEY_INSERT }, { "Delete", KEY_DEL }, { "Home", KEY_HOME },
   { "End", KEY_END }, { "PageUp", KEY_PGUP }, { "PageDown", KEY_PGDN },
   { "ArrowLeft", KEY_LEFT }, { "ArrowRight", KEY_RIGHT }, { "ArrowUp", KEY_UP },
   { "ArrowDown", KEY_DOWN },
   { "NumpadDivide", KEY_SLASH_PAD }, { "NumpadMultiply", KEY_ASTERISK },
   { "NumpadSubtract", KEY_MINUS_PAD }, { "NumpadAdd", KEY_PLUS_PAD },
   { "NumpadDecimal", KEY_DEL_PAD }, { "NumpadEnter", KEY_ENTER_PAD },
   { "NumpadEqual", KEY_EQUALS_PAD },
   { "PrintScreen", KEY_PRTSCR }, { "Pause", KEY_PAUSE },
   { "IntlRo", KEY_ABNT_C1 }, { "IntlYen", KEY_YEN }, { "KanaMode", KEY_KANA },
   { "Lang1", KEY_KANA }, { "Lang2", KEY_KANJI },
   { "Convert", KEY_CONVERT }, { "NonConvert", KEY_NOCONVERT },
   { "ShiftLeft", KEY_LSHIFT }, { "ShiftRight", KEY_RSHIFT },
   { "ControlLeft", KEY_LCONTROL }, { "ControlRight", KEY_RCONTROL },
   { "AltLeft", KEY_ALT }, { "AltRight", KEY_ALTGR },
   { "MetaLeft", KEY_LWIN }, { "MetaRight", KEY_RWIN }, { "ContextMenu", KEY_MENU },
   { "ScrollLock", KEY_SCRLOCK }, { "NumLock", KEY_NUMLOCK }, { "CapsLock", KEY_CAPSLOCK }
};

#define WEB_KEY_COUNT   (int)(sizeof(web_keys) / sizeof(web_keys[0]))



/* _web_key_press, _web_key_release:
 *  Called by the page for each key event, while the program waits.
 */
EMSCRIPTEN_KEEPALIVE void _web_key_press(int ascii, int scancode)
{
   _handle_key_press(ascii, scancode);
}

EMSCRIPTEN_KEEPALIVE void _web_key_release(int scancode)
{
   _handle_key_release(scancode);
}



/* _web_map_key:
 *  Tells the page the scancode of one event's code.
 */
EM_JS(void, _web_map_key, (AL_CONST char *code, int scancode), {
   Module.alweb.keys = Module.alweb.keys || {};
   Module.alweb.keys[UTF8ToString(code)] = scancode;
});



/* _web_listen:
 *  Starts passing the page's key events on. A key's character, when it
 *  types one, goes with its scancode into the library's key buffer.
 */
EM_JS(void, _web_listen, (int tab), {
   var alweb = Module.alweb;
   var held = {};
   var CONTROL_CHARACTERS = { Backspace: 8, Tab: 9, Enter: 13, Escape: 27, Delete: 127 };

   function character(event) {
      if (event.key.length === 1)
         return event.key.charCodeAt(0);
      return CONTROL_CHARACTERS[event.key] || 0;
   }
   function press(event) {
      var scancode = alweb.keys[event.code];
      if (!scancode)
         return;
      if (scancode === tab)
         event.preventDefault();
      held[scancode] = true;
      __web_key_press(character(event), scancode);
   }
   function release(event) {
      var scancode = alweb.keys[event.code];
      if (!scancode || !held[scancode])
         return;
      delete held[scancode];
      __web_key_release(scancode);
   }
   function releaseAll() {
      Object.keys(held).forEach(function(scancode) { __web_key_release(Number(scancode)); });
      held = {};
   }

   window.addEventListener('keydown', press);
   window.addEventListener('keyup', release);
   window.addEventListener('blur', releaseAll);
   alweb.stopKeys = function() {
      window.removeEventListener('keydown', press);
      window.removeEventListener('keyup', release);
      window.removeEventListener('blur', releaseAll);
   };
});



/* _web_stop_listening:
 *  Stops passing key events on; the page's keys are the browser's again.
 */
EM_JS(void, _web_stop_listening, (void), {
   Module.alweb.stopKeys();
});



/* web_key_init:
 *  Starts the keyboard.
 */
static int web_key_init(void)
{
   int i;

   for (i = 0; i < WEB_KEY_COUNT; i++)
      _web_map_key(web_keys[i].code, web_keys[i].scancode);
   _web_listen(KEY_TAB);
   return 0;
}



/* web_key_exit:
 *  Shuts the keyboard down.
 */
static void web_key_exit(void)
{
   _web_stop_listening();
}
