/*
 * Keeping the library's timer going after the process has stood still.
 *
 * What it mends: the library's Unix timer thread measures the time since it
 * last woke and hands it on to the timers as an int of 1.19 MHz units,
 * which overflows after 30 minutes. When the process has stood still for
 * longer than that between two of the thread's wakes (stopped with Ctrl+Z
 * and continued, held in a debugger, its virtual machine paused), the time
 * turns negative, and every timer and the library's simulated retrace wait
 * up to half an hour more: no tick comes, and the demo shows no frame.
 *
 * The library's retrace counter, retrace_count, is its timer's pulse: the
 * timer thread moves it 70 times a second, whatever else it runs. While the
 * demo waits on the timer it watches that counter by its own steady clock,
 * and once it has seen it stand still for TIMER_OVERDUE, it restarts the
 * timer: remove_timer() ends the thread, and the timer is started afresh,
 * with its counts from now, as it was at start-up: the demo's tick, at its
 * period, is its one callback (the library's X11 keyboard repeats no keys
 * by timer, and the demo installs no mouse). A time in which the demo did
 * not look (it was not waiting, or stood still itself) starts the watch
 * afresh, so that the timer is only restarted when it has stood still while
 * the demo looked.
 *
 * The system can refuse the new thread (a process or thread limit reached).
 * The start is then tried again at each TIMER_RETRY the demo waits, and
 * once the timer has been down for TIMER_GIVEN_UP, it is lost: the demo
 * ends, and says why.
 */
#include "platform/timer_watch.h"

#include <allegro.h>
#include <pthread.h>

#include <chrono>
#include <csignal>

using Clock = std::chrono::steady_clock;

/* Thirty-five of the library's simulated retraces, and 25 ticks: far beyond
 * any delay of a busy machine, and short beside the second within which
 * frames must come again.
 */
static const auto TIMER_OVERDUE = std::chrono::milliseconds(250);

/* How long a timer that cannot be started again is tried, every
 * TIMER_RETRY, before the demo gives up on it: a limit the machine reached
 * for a moment has passed by then.
 */
static const auto TIMER_GIVEN_UP = std::chrono::seconds(2);
static const auto TIMER_RETRY = std::chrono::milliseconds(100);

static void (*tick)();                 /* the timer's one callback, once started */
static int tick_ms;                    /* and its period */

static int pulse;                      /* retrace_count when last looked at */
static Clock::time_point pulse_moved;  /* when it was last seen to move */
static Clock::time_point last_look;

static bool down;                      /* removed, and not started again yet */
static Clock::time_point down_since;
static bool lost;                      /* down for TIMER_GIVEN_UP */

/* Starts the library's timer thread and the tick on it. A new thread starts
 * with the signal mask of the thread that makes it, and the library's
 * blocks every signal only once it runs: every signal is held back here
 * meanwhile, so that none can be taken on the new thread, and the requests
 * to end reach only the frame loop's thread.
 */
static bool start_tick()
{
   sigset_t all, before;
   sigfillset(&all);
   pthread_sigmask(SIG_BLOCK, &all, &before);
   const bool started = install_timer() == 0 && install_int(tick, tick_ms) == 0;
   pthread_sigmask(SIG_SETMASK, &before, nullptr);
   return started;
}

bool start_watched_timer(void (*handler)(), int period_ms)
{
   tick = handler;
   tick_ms = period_ms;
   return start_tick();
}

/* Ends the library's timer thread and starts a new one with the tick. When
 * the new one cannot start, the next call tries again, until the timer has
 * been down for TIMER_GIVEN_UP.
 */
static void restart_timer(Clock::time_point now)
{
   if (!down) {
      remove_timer();
      down = true;
      down_since = now;
   }
   if (start_tick())
      down = false;
   else if (now - down_since >= TIMER_GIVEN_UP)
      lost = true;
}

void keep_timer_running()
{
   if (!tick || lost)
      return;
   const Clock::time_point now = Clock::now();
   if (retrace_count != pulse || now - last_look > TIMER_OVERDUE) {
      pulse = retrace_count;
      pulse_moved = now;
   }
   else if (now - pulse_moved > (down ? TIMER_RETRY : TIMER_OVERDUE)) {
      restart_timer(now);
      pulse_moved = now;
   }
   last_look = now;
}

bool timer_lost()
{
   return lost;
}
