/*
 * Opening the demo's window. Without a display either step can fail, and
 * every later library call would then crash, so both say how they went.
 *
 * The library creates its X11 window as it starts, under its own class and
 * logo unless told otherwise first: the demo gives it the class a desktop
 * matches to its menu entry, and its own icon. The caption stays the one the
 * library takes from the program's name.
 */
#include "demo/window.h"

#include <allegro.h>
#include <xalleg.h>

#include <cerrno>
#include <cstdlib>

#include "demo/sizes.h"
#include "48x48/blobs.xpm"

/* The library's X11 icon, XPM data read when it creates its window. */
extern "C" void *allegro_icon;

static const char WINDOW_INSTANCE[] = "blobs";   /* WM_CLASS, as in the menu entry's */
static const char WINDOW_CLASS[] = "Blobs";      /* StartupWMClass */

/* Brings up the library, with its exit handler registered through atexit,
 * and with it the window under the demo's class and icon.
 */
bool start_library()
{
   xwin_set_window_name(WINDOW_INSTANCE, WINDOW_CLASS);
   allegro_icon = const_cast<char **>(BLOBS_ICON_XPM);
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
