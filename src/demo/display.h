/*
 * Losing the display: the window destroyed by another client, the
 * connection to the X server killed, or the server gone.
 */
#ifndef DEMO_DISPLAY_H
#define DEMO_DISPLAY_H

void watch_display();

#endif
