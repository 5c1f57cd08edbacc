/*
 * Frame pacing: a 10 ms tick from the library's timer thread.
 */
#ifndef DEMO_TIMER_H
#define DEMO_TIMER_H

#include <atomic>

const int TICK_MS = 10;

/* Ticks since the current frame began; the timer thread adds, the frame loop
 * clears and polls. Relaxed access is enough: nothing else rides on it.
 */
extern std::atomic<int> tick_count;

void tick_handler();
bool install_timers();
void wait_for_tick();

#endif
