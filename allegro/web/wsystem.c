/*
 *      The web port's system driver: a program in a page of a browser.
 *
 *      It lists the port's graphics, keyboard and timer drivers, shows the
 *      library's messages in the page, and gives the page its turns: the
 *      program's one thread is the page's, so rest() and the library's
 *      other waits must hand it back for the page to show the screen,
 *      deliver keys and run the clock. Mutexes have nothing to guard
 *      against on one thread, and are tokens only.
 */

#include <emscripten.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "aintweb.h"


static int web_sys_init(void);
static void web_sys_exit(void);
static void web_message(AL_CONST char *msg);
static void web_yield_timeslice(void);
static void *web_create_mutex(void);
static void web_destroy_mutex(void *handle);
static void web_lock_mutex(void *handle);
static void web_unlock_mutex(void *handle);
static _DRIVER_INFO *web_gfx_drivers(void);
static _DRIVER_INFO *web_keyboard_drivers(void);
static _DRIVER_INFO *web_timer_drivers(void);
static _DRIVER_INFO *web_no_drivers(void);


SYSTEM_DRIVER system_web =
{
   SYSTEM_WEB,
   empty_string,
   empty_string,
   "Web browser",
   web_sys_init,
   web_sys_exit,
   NULL,                  /* get_executable_name */
   NULL,                  /* find_resource */
   NULL,                  /* set_window_title */
   NULL,                  /* set_close_button_callback */
   web_message,
   NULL,                  /* assert */
   NULL,                  /* save_console_state */
   NULL,                  /* restore_console_state */
   NULL,                  /* create_bitmap */
   NULL,                  /* created_bitmap */
   NULL,                  /* create_sub_bitmap */
   NULL,                  /* created_sub_bitmap */
   NULL,                  /* destroy_bitmap */
   NULL,                  /* read_hardware_palette */
   NULL,                  /* set_palette_range */
   NULL,                  /* get_vtable */
   NULL,                  /* set_display_switch_mode */
   NULL,                  /* display_switch_lock */
   NULL,                  /* desktop_color_depth */
   NULL,                  /* get_desktop_resolution */
   NULL,                  /* get_gfx_safe_mode */
   web_yield_timeslice,
   web_create_mutex,
   web_destroy_mutex,
   web_lock_mutex,
   web_unlock_mutex,
   web_gfx_drivers,
   web_no_drivers,        /* digi_drivers */
   web_no_drivers,        /* midi_drivers */
   web_keyboard_drivers,
   web_no_drivers,        /* mouse_drivers */
   web_no_drivers,        /* joystick_drivers */
   web_timer_drivers
};


static _DRIVER_INFO web_gfx_driver_list[] = {
   {  GFX_WEB,       &gfx_web,       TRUE  },
   {  0,             NULL,           0     }
};

static _DRIVER_INFO web_keyboard_driver_list[] = {
   {  KEYBOARD_WEB,  &keyboard_web,  TRUE  },
   {  0,             NULL,           0     }
};

static _DRIVER_INFO web_timer_driver_list[] = {
   {  TIMER_WEB,     &timer_web,     TRUE  },
   {  0,             NULL,           0     }
};

static _DRIVER_INFO web_no_driver_list[] = {
   {  0,             NULL,           0     }
};



/* _web_start:
 *  Sets up what the drivers share in the page, Module.alweb: the queue of
 *  turns, each given by a message the page posts to its own window, which
 *  the browser runs as soon as it has handled what came before, without
 *  the 4 ms that it holds nested zero timeouts to; and the way a waiting
 *  program is taken up again. Fails outside a page. The message is the
 *  port's own, and the page's other listeners never see it. Not a
 *  MessageChannel's: in WebKit its messages pass through the browser's
 *  other process, and come milliseconds late, often after the display's
 *  next refresh, which the paced program then misses.
 *
 *  A wait puts main() aside, and the runtime sees it return only once the
 *  program ends; so each wait is ended through the runtime's callUserCallback,
 *  as the runtime's own emscripten_sleep() ends its sleep. The runtime then
 *  sees the program's end as it happens: when main() returns after a wait,
 *  or the program calls exit(), it runs the exit handlers (the library's
 *  among them) and tells the page, through Module.onExit. The status it
 *  passes on after a wait is exit()'s, or else 0, whatever main() returns:
 *  a program that fails after it has waited ends with exit().
 */
EM_JS(int, _web_start, (void), {
   if (typeof document === 'undefined' || typeof postMessage === 'undefined')
      return -1;
   var TURN = 'allegro web turn';
   var turns = [];
   Module.alweb = {
      ran: true,
      turn: function(f) { turns.push(f); postMessage(TURN, '*'); },
      wake: function(wakeUp) { callUserCallback(wakeUp); },
      // A message with no turn waiting (one posted before the library was
      // last stopped, or by another script) is passed over.
      listener: function(event) {
         if (event.source === window && event.data === TURN) {
            event.stopImmediatePropagation();
            var turn = turns.shift();
            if (turn)
               turn();
         }
      }
   };
   addEventListener('message', Module.alweb.listener, true);
   return 0;
});



/* _web_stop:
 *  Takes the port's listener away with the library, so that a library
 *  started again has its turns to itself.
 */
EM_JS(void, _web_stop, (void), {
   removeEventListener('message', Module.alweb.listener, true);
});



/* web_sys_init:
 *  Starts the system driver, in a page only.
 */
static int web_sys_init(void)
{
   return _web_start();
}



/* web_sys_exit:
 *  Stops the turns; each driver undoes its own part.
 */
static void web_sys_exit(void)
{
   _web_stop();
}



/* _web_show_message:
 *  Shows a message through the page's Module.message, or the browser's
 *  alert box when the page has none.
 */
EM_JS(void, _web_show_message, (AL_CONST char *msg), {
   var text = UTF8ToString(msg);
   if (Module.message)
      Module.message(text);
   else
      alert(text);
});



/* web_message:
 *  The library's allegro_message(), in the page's own terms.
 */
static void web_message(AL_CONST char *msg)
{
   char *ascii = malloc(ALLEGRO_MESSAGE_SIZE);

   if (ascii) {
      do_uconvert(msg, U_CURRENT, ascii, U_UTF8, ALLEGRO_MESSAGE_SIZE);
      _web_show_message(ascii);
      free(ascii);
   }
   else
      _web_show_message(msg);
}



/* _web_page_turn, _web_page_sleep:
 *  Hand the thread to the page until it has run what was waiting, or for
 *  `ms' milliseconds at least.
 */
EM_JS(void, _web_page_turn, (void), {
   var alweb = Module.alweb;
   alweb.ran = true;
   Asyncify.handleSleep(function(wakeUp) {
      alweb.turn(function() { alweb.wake(wakeUp); });
   });
});

EM_JS(void, _web_page_sleep, (unsigned int ms), {
   var alweb = Module.alweb;
   alweb.ran = true;
   Asyncify.handleSleep(function(wakeUp) {
      setTimeout(function() { alweb.wake(wakeUp); }, ms);
   });
});



/* _web_give_turn, _web_sleep:
 *  The same for the other drivers, which cannot call the page's functions
 *  of another file directly.
 */
void _web_give_turn(void)
{
   _web_page_turn();
}

void _web_sleep(unsigned int ms)
{
   _web_page_sleep(ms);
}



/* web_yield_timeslice:
 *  rest(0): the page takes its turn.
 */
static void web_yield_timeslice(void)
{
   _web_give_turn();
}



/* The mutexes: one thread needs no locks, only handles that are not NULL. */
static int web_mutex_token;

static void *web_create_mutex(void)
{
   return &web_mutex_token;
}

static void web_destroy_mutex(void *handle)
{
}

static void web_lock_mutex(void *handle)
{
}

static void web_unlock_mutex(void *handle)
{
}



static _DRIVER_INFO *web_gfx_drivers(void)
{
   return web_gfx_driver_list;
}

static _DRIVER_INFO *web_keyboard_drivers(void)
{
   return web_keyboard_driver_list;
}

static _DRIVER_INFO *web_timer_drivers(void)
{
   return web_timer_driver_list;
}

static _DRIVER_INFO *web_no_drivers(void)
{
   return web_no_driver_list;
}
