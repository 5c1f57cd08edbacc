/*
 *      The web port: what its drivers share.
 *
 *      A page in a browser has one thread, and the program runs on it. The
 *      program's waits (rest(), vsync(), the wait for the timer) therefore
 *      hand the thread back to the page until what they wait for has come:
 *      the program is compiled with Asyncify, which lets a C call stack be
 *      put aside while the page runs and taken up again afterwards.
 *      Everything the page does for the library (showing the screen, the
 *      keys, the clock) runs in those turns, from the page's own events.
 *
 *      A page has no files: wfile.c tells the library so whenever it looks
 *      for one.
 *
 *      The page gives the port its canvas as Module.canvas, and may give it
 *      Module.message(text), which shows a message in the page instead of
 *      the browser's alert box.
 *
 *      The drivers keep what they share in the page in Module.alweb:
 *
 *        ran         the program has run since the canvas last took the
 *                    screen (wsystem.c; each wait sets it, wgfx.c clears it)
 *        turn(f)     calls f at the page's next turn (wsystem.c)
 *        wake(f)     takes a waiting program up again by calling f, its
 *                    wake-up, the way the runtime calls a program back
 *                    (wsystem.c)
 *        clock       the clock's pending timeout (wtimer.c)
 *        clockWaits  the wake-ups of waits for the clock's next call of the
 *                    timer (wtimer.c)
 *        keys        the scancode of each event code (wkeybd.c)
 *        stopKeys()  stops passing key events on (wkeybd.c)
 *        frame       the pending animation frame (wgfx.c)
 *        retraces    the wake-ups of waits for the next animation frame
 *                    (wgfx.c)
 *        hide()      stops showing the screen (wgfx.c)
 *
 *      Each wait is a function in JavaScript that puts the program aside
 *      with Asyncify.handleSleep(), and the program's link names it among
 *      the imports that can do so (ASYNCIFY_IMPORTS).
 */

#ifndef AINTWEB_H
#define AINTWEB_H

#define SYSTEM_WEB              AL_ID('W','E','B',' ')
#define GFX_WEB                 AL_ID('W','E','B','G')
#define KEYBOARD_WEB            AL_ID('W','E','B','K')
#define TIMER_WEB               AL_ID('W','E','B','T')

AL_VAR(SYSTEM_DRIVER, system_web);
AL_VAR(GFX_DRIVER, gfx_web);
AL_VAR(KEYBOARD_DRIVER, keyboard_web);
AL_VAR(TIMER_DRIVER, timer_web);

/* Hands the thread to the page for one turn of its event loop. */
void _web_give_turn(void);

/* Hands the thread to the page for at least `ms' milliseconds. */
void _web_sleep(unsigned int ms);

#endif
