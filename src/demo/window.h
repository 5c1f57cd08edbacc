/*
 * The demo's window: the library started on the desktop, and a 640x480
 * window opened in 8-bit palette mode.
 */
#ifndef DEMO_WINDOW_H
#define DEMO_WINDOW_H

bool start_library();
bool set_window_mode();
bool open_window();

#endif
