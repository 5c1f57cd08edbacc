/*
 * The library's timer kept going across any gap, on a Unix system. Used by
 * the Linux platform: linux.cpp starts the timer through it, and its tick
 * wait and x11_retrace.cpp's wait for the library's simulated retrace keep
 * it going.
 */
#ifndef PLATFORM_TIMER_WATCH_H
#define PLATFORM_TIMER_WATCH_H

/* Starts the library's timer with TICK as its one callback, every PERIOD_MS,
 * on a thread that takes no signal, and keeps both to start it the same way
 * again. False when the system refuses the thread.
 */
bool start_watched_timer(void (*tick)(), int period_ms);

/* Called over and over while the demo waits on the library's timer: when
 * the timer has stood still for far longer than it ever should, starts it
 * again with the same tick.
 */
void keep_timer_running();

/* Whether the timer stood still and could not be started again for
 * TIMER_GIVEN_UP: no tick will come.
 */
bool timer_lost();

#endif
