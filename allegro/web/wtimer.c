/*
 *      The web port's timer driver: the browser's clock.
 *
 *      The page calls the library's timer handlers between the program's
 *      turns, from a timeout set for when the next of them is due. Each
 *      time it passes on how much of the page's clock (performance.now())
 *      has gone by since the last, so a handler installed for 10 ms runs
 *      once for every 10 ms of that clock, however late a timeout fires:
 *      when the page was busy, or hidden, where the browser holds timeouts
 *      back, the calls that fell due meanwhile are all made at once, for
 *      one second at most.
 *
 *      rest() hands the thread to the page for as long as it is asked to, and
 *      web_wait_for_timer() (weballeg.h) until the clock's next call.
 */

#include <emscripten.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "aintweb.h"
#include "weballeg.h"


static int web_timer_init(void);
static void web_timer_exit(void);
static void web_rest(unsigned int time, AL_METHOD(void, callback, (void)));


TIMER_DRIVER timer_web =
{
   TIMER_WEB,
   empty_string,
   empty_string,
   "Web clock",
   web_timer_init,
   web_timer_exit,
   NULL, NULL,            /* install_int, remove_int: the library's */
   NULL, NULL,            /* install_param_int, remove_param_int */
   NULL, NULL,            /* can_simulate_retrace, simulate_retrace */
   web_rest
};



/* The longest time passed on to the library's timer at once. The library
 * takes it as an int of timer units, which holds only 30 minutes of them:
 * after a longer gap (a tab frozen or held back, a machine asleep) the
 * handlers that fell due are called for one second of it, not for all.
 */
#define WEB_LONGEST_GAP_MS    1000



/* _web_timer_tick:
 *  Called by the page with the time gone by, in the library's timer units;
 *  gives the time until the next handler is due.
 */
EMSCRIPTEN_KEEPALIVE long _web_timer_tick(int interval)
{
   return _handle_timer_tick(interval);
}



/* _web_start_clock:
 *  Starts the timeouts, counting the page's clock in timer units; after
 *  each call of the timer, the waits for it end.
 */
EM_JS(void, _web_start_clock, (int units_per_ms, int longest_gap), {
   var alweb = Module.alweb;
   var start = performance.now();
   var passed = 0;

   function tick() {
      var now = Math.floor((performance.now() - start) * units_per_ms);
      var next = __web_timer_tick(Math.min(now - passed, longest_gap));
      passed = now;
      alweb.clock = setTimeout(tick, Math.max(1, next / units_per_ms));
      var waiting = alweb.clockWaits;
      alweb.clockWaits = [];
      waiting.forEach(alweb.wake);
   }
   alweb.clockWaits = [];
   alweb.clock = setTimeout(tick, 1);
});



/* _web_stop_clock:
 *  Stops the timeouts. The program runs, so nothing waits for them.
 */
EM_JS(void, _web_stop_clock, (void), {
   clearTimeout(Module.alweb.clock);
   delete Module.alweb.clockWaits;
});



/* _web_wait_clock:
 *  Hands the thread to the page until the clock has next called the timer,
 *  or for one turn when the clock is not running.
 */
EM_JS(void, _web_wait_clock, (void), {
   var alweb = Module.alweb;
   alweb.ran = true;
   Asyncify.handleSleep(function(wakeUp) {
      if (alweb.clockWaits)
         alweb.clockWaits.push(wakeUp);
      else
         alweb.turn(function() { alweb.wake(wakeUp); });
   });
});



/* web_wait_for_timer:
 *  The program's wait for the timer (weballeg.h).
 */
void web_wait_for_timer(void)
{
   _web_wait_clock();
}



/* web_timer_init:
 *  Starts the timer.
 */
static int web_timer_init(void)
{
   _web_start_clock(MSEC_TO_TIMER(1), MSEC_TO_TIMER(WEB_LONGEST_GAP_MS));
   return 0;
}



/* web_timer_exit:
 *  Stops the timer.
 */
static void web_timer_exit(void)
{
   _web_stop_clock();
}



/* web_rest:
 *  Waits for `time' milliseconds, calling the callback over and over when
 *  there is one, and giving the page its turn meanwhile.
 */
static void web_rest(unsigned int time, AL_METHOD(void, callback, (void)))
{
   double end;

   if (!callback) {
      _web_sleep(time);
      return;
   }

   end = emscripten_get_now() + time;
   do {
      callback();
      _web_give_turn();
   } while (emscripten_get_now() < end);
}
