/*
 * Opening the demo's window.
 */
#include "demo/window.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>

#include "demo/sizes.h"

/* Brings up the library, with its exit handler registered through atexit,
 * and the 640x480 8-bit window. Without a display either step can fail, and
 * every later library call would then crash, so both results are returned.
 */
bool open_window()
{
   if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0)
      return false;
   set_color_depth(COLOR_DEPTH);
   return set_gfx_mode(GFX_AUTODETECT_WINDOWED, WINDOW_W, WINDOW_H, 0, 0) == 0;
}
