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
 * timer: remove_timer() ends the thread, install_timer() starts it afresh
 * with its counts from now, and the callbacks are installed again, each at
 * its own speed. A time in which the demo did not look (it was not waiting,
 * or stood still itself) starts the watch afresh, so that the timer is only
 * restarted when it has stood still while the demo looked.
 */
#include "platform/timer_watch.h"

#include <allegro.h>
#include <allegro/internal/aintern.h>

#include <chrono>

using Clock = std::chrono::steady_clock;

/* Thirty-five of the library's simulated retraces, and 25 ticks: far beyond
 * any delay of a busy machine, and short beside the second within which
 * frames must come again.
 */
static const auto TIMER_OVERDUE = std::chrono::milliseconds(250);

static int pulse;                      /* retrace_count when last looked at */
static Clock::time_point pulse_moved;  /* when it was last seen to move */
static Clock::time_point last_look;

static TIMER_QUEUE callbacks[MAX_TIMERS];   /* the timer's, while it restarts */
static bool restarting;                     /* the timer is down, callbacks saved */

/* Ends the library's timer thread and starts a new one, with the callbacks
 * it had. When the new one cannot start, the callbacks are kept for the next
 * try.
 */
static void restart_timer()
{
   if (!restarting) {
      for (int i = 0; i < MAX_TIMERS; i++)
         callbacks[i] = _timer_queue[i];
      remove_timer();
      restarting = true;
   }
   if (install_timer() != 0)
      return;
   for (const TIMER_QUEUE &callback : callbacks) {
      if (callback.proc)
         install_int_ex(callback.proc, callback.speed);
      else if (callback.param_proc)
         install_param_int_ex(callback.param_proc, callback.param, callback.speed);
   }
   restarting = false;
}

void keep_timer_running()
{
   if (!_timer_installed && !restarting)
      return;
   const Clock::time_point now = Clock::now();
   if (retrace_count != pulse || now - last_look > TIMER_OVERDUE) {
      pulse = retrace_count;
      pulse_moved = now;
   }
   else if (now - pulse_moved > TIMER_OVERDUE) {
      restart_timer();
      pulse_moved = now;
   }
   last_look = now;
}
