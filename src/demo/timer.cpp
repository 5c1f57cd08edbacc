/*
 * The tick counter and its handler.
 */
#include "demo/timer.h"

#include <allegro.h>

#include "platform/platform.h"

std::atomic<int> tick_count{0};
static_assert(std::atomic<int>::is_always_lock_free,
              "the timer thread must never block on the tick counter");

/* Called by the library's timer thread every 10 ms. */
void tick_handler()
{
   tick_count.fetch_add(1, std::memory_order_relaxed);
}

/* Starts the library's timer with the tick as its one callback. The timer
 * runs in a thread of its own, which the system can refuse (a process or
 * thread limit reached): without it no tick ever comes, so the result is
 * returned.
 */
bool install_timers()
{
   return start_timer(tick_handler, TICK_MS);
}

/* Spins until a tick has arrived since tick_count was last cleared: a paced
 * frame lasts at least one tick. On the desktop it neither sleeps nor
 * yields, so the frame ends as soon as the tick lands; in a browser the
 * page has the thread until its clock has called the timer. Escape or a
 * request to end cuts it short, so that a tick that never comes cannot
 * keep the demo from ending.
 */
void wait_for_tick()
{
   while (tick_count.load(std::memory_order_relaxed) == 0 && !key[KEY_ESC] && !quit_request())
      tick_wait_step();
}
