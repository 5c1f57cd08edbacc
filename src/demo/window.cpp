/*
 * Opening the demo's window. Without a display either step can fail, and
 * every later library call would then crash, so both say how they went.
 */
#include "demo/window.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>

#include "demo/sizes.h"

/* Brings up the library, with its exit handler registered through atexit. */
bool start_library()
{
   return install_allegro(SYSTEM_AUTODETECT, &errno, atexit) == 0;
}

/* Opens the 640x480 window in 8-bit palette mode. */
bool set_window_mode()
{
   set_color_depth(COLOR_DEPTH);
   return set_gfx_mode(GFX_AUTODETECT_WINDOWED, WINDOW_W, WINDOW_H, 0, 0) == 0;
}

/* Both steps, for the programs that need nothing in between. */
bool open_window()
{
   return start_library() && set_window_mode();
}
