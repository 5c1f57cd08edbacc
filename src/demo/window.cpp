/*
 * Opening the demo's window. Without a display either step can fail, and
 * every later library call would then crash, so both say how they went.
 */
#include "demo/window.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>

#include "demo/sizes.h"
#include "platform/platform.h"

/* Brings up the library, with its exit handler registered through atexit,
 * and with it the window under the demo's class and icon.
 */
bool start_library()
{
   name_window();
   return install_allegro(SYSTEM_AUTODETECT, &errno, atexit) == 0;
}

/* Opens the 640x480 window in 8-bit palette mode. The demo goes on running
 * while its window is in the background: the X11 driver knows no other
 * way, and the Windows one would pause the timer there, leaving the
 * frame loop's tick wait to spin with no tick to come.
 */
bool set_window_mode()
{
   set_color_depth(COLOR_DEPTH);
   if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, WINDOW_W, WINDOW_H, 0, 0) != 0)
      return false;
   set_display_switch_mode(SWITCH_BACKGROUND);
   return true;
}

/* Both steps, for the programs that need nothing in between. */
bool open_window()
{
   return start_library() && set_window_mode();
}
