/*
 * The demo and its X display: the window marked as the process's own, and
 * the display lost under it (the window destroyed by another client, the
 * connection to the X server killed, or the server gone).
 */
#ifndef DEMO_DISPLAY_H
#define DEMO_DISPLAY_H

void mark_window_owner();
void watch_display();

#endif
