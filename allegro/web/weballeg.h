/*
 *      The web port's own calls for programs, as xalleg.h and winalleg.h
 *      hold the X11 and Windows ports' own. Include it after allegro.h.
 */

#ifndef WEBALLEG_H
#define WEBALLEG_H

#ifdef __cplusplus
   extern "C" {
#endif

/* Hands the thread to the page until the page's clock has next called the
 * timer's handlers (those of install_int() and the like), and returns then.
 * A program that spins until a handler has run calls it in the spin: the
 * page, whose one thread the program shares, runs the clock only while the
 * program waits, and one call waits as long as the clock lets it, rather
 * than turn after turn.
 */
AL_FUNC(void, web_wait_for_timer, (void));

#ifdef __cplusplus
   }
#endif

#endif
