/*
 * Ending on a signal. The library installs handlers of its own for SIGINT,
 * SIGQUIT and SIGTERM when it starts; they shut the library down inside the
 * signal while the frame loop may still be drawing, and the process then
 * crashes. Ours only note which signal came: the frame loop sees it at its
 * next pass and ends as it does on Escape, the blobs are freed, and only
 * then is the library shut down and the signal's own action taken, so a
 * shell sees the status it expects (130 for Ctrl+C).
 */
#include "demo/signals.h"

#include <allegro.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

static const int QUIT_SIGNALS[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP};
static const int QUIT_SIGNAL_COUNT = sizeof QUIT_SIGNALS / sizeof QUIT_SIGNALS[0];

/* Set by the handler, read by the frame loop: the signal that came, or 0. */
static volatile std::sig_atomic_t caught_signal = 0;

/* Which of them the process was started with ignored. */
static bool ignored_at_start[QUIT_SIGNAL_COUNT];

static void note_quit_signal(int sig)
{
   caught_signal = sig;
}

static sigset_t quit_signal_set()
{
   sigset_t set;
   sigemptyset(&set);
   for (int sig : QUIT_SIGNALS)
      sigaddset(&set, sig);
   return set;
}

/* Holds the signals back while the library starts, so that none meets the
 * library's handlers, and notes which of them the process was started with
 * ignored, as under nohup or in a script's background job: those stay
 * ignored.
 */
void hold_quit_signals()
{
   const sigset_t set = quit_signal_set();
   sigprocmask(SIG_BLOCK, &set, nullptr);
   for (int i = 0; i < QUIT_SIGNAL_COUNT; i++) {
      struct sigaction current;
      sigaction(QUIT_SIGNALS[i], nullptr, &current);
      ignored_at_start[i] = current.sa_handler == SIG_IGN;
   }
}

/* Once the library has started, puts our handler in place of its own and
 * lets the signals through; one that came meanwhile is noted now. The
 * library's threads block every signal, so the handler runs on the frame
 * loop's thread.
 */
void catch_quit_signals()
{
   for (int i = 0; i < QUIT_SIGNAL_COUNT; i++) {
      struct sigaction action = {};
      action.sa_handler = ignored_at_start[i] ? SIG_IGN : note_quit_signal;
      sigemptyset(&action.sa_mask);
      action.sa_flags = SA_RESTART;
      sigaction(QUIT_SIGNALS[i], &action, nullptr);
   }
   const sigset_t set = quit_signal_set();
   sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

/* The signal that asked the demo to end, or 0 when none has. */
int quit_signal()
{
   return caught_signal;
}

/* Shuts the library down, as its exit handler would after Escape, then ends
 * the process by the signal's default action. A clean end leaves no core
 * file, which SIGQUIT's default action would otherwise write.
 */
void end_by_signal(int sig)
{
   allegro_exit();
   const struct rlimit no_core = {0, 0};
   setrlimit(RLIMIT_CORE, &no_core);
   std::signal(sig, SIG_DFL);
   std::raise(sig);
   _exit(128 + sig);   /* not reached: the default action ends the process */
}
