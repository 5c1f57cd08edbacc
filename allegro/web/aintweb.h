/*
 *      The web port: what its drivers share.
 *
 *      A page in a browser has one thread, and the program runs on it. The
 *      program's waits (rest(), vsync()) therefore hand the thread back to
 *      the page until what they wait for has come: the program is compiled
 *      with Asyncify, which lets a C call stack be put aside while the page
 *      runs and taken up again afterwards. Everything the page does for the
 *      library (showing the screen, the keys, the clock) runs in those
 *      turns, from the page's own events.
 *
 *      The page gives the port its canvas as Module.canvas, and may give it
 *      Module.message(text), which shows a message in the page instead of
 *      the browser's alert box.
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
void web_give_turn(void);

/* Hands the thread to the page for at least `ms' milliseconds. */
void web_sleep(unsigned int ms);

#endif
