/*
 * The library's timer kept going across any gap, on a Unix system. Used by
 * the Linux platform's waits: linux.cpp's tick wait and x11_retrace.cpp's
 * wait for the library's simulated retrace.
 */
#ifndef PLATFORM_TIMER_WATCH_H
#define PLATFORM_TIMER_WATCH_H

/* Called over and over while the demo waits on the library's timer: when
 * the timer has stood still for far longer than it ever should, restarts it
 * with the same callbacks.
 */
void keep_timer_running();

#endif
