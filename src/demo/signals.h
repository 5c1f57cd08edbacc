/*
 * Ending on a signal: Ctrl+C (SIGINT) or Ctrl+\ (SIGQUIT) in a terminal, a
 * SIGTERM, or a SIGHUP when the terminal goes away end the demo the way
 * Escape does, and the process then ends by that same signal.
 */
#ifndef DEMO_SIGNALS_H
#define DEMO_SIGNALS_H

void hold_quit_signals();
void catch_quit_signals();
int quit_signal();
[[noreturn]] void end_by_signal(int sig);

#endif
