/*
 * measure_window: runs the demo's start-up and frame loop in the demo's own
 * 640x480 8-bit window and measures them against the limits the library and
 * the window system set. It prints one "name value" line per figure:
 *
 *   mode                full, or smoke: every loop shortened to check that
 *                       the measuring works; its figures then mean little
 *   main_ms             launch to main(): starting the process and loading
 *                       the libraries
 *   window_ms           launch to the open window, keyboard and timer
 *   palette_ms          setting the palette ramp
 *   startup_work_ms     making the stage: the sprites, the blend table, the
 *                       glow and the two frame bitmaps
 *   first_frame_ms      launch to the first frame stretched onto the screen
 *   refresh_rate_hz     the rate the graphics driver reports (0: unknown)
 *   library_hz          the demo's paced loop (compose the next frame,
 *                       vsync, stretch, tick wait) with the library's own
 *                       retrace wait, as before the display's was followed
 *   library_near_pct    its intervals from one vsync() to the next that lie
 *                       within 4 ms of the display's refresh
 *   retrace_hz          vsync() alone, back to back, with the wait the demo
 *                       uses: the display's retrace, which caps the paced rate
 *   paced_passes        passes of the paced loop with that wait
 *   paced_hz            the same per second
 *   paced_near_pct      its intervals within 4 ms of the display's refresh
 *   library_whole_pct   the demo's paced loop with the library's wait, its
 *                       frames watched through Damage: those whose bottom
 *                       line reached the X server within 2 ms of their top
 *   library_lag_ms      the median time from top to bottom, in ms
 *   library_whole_unsent_pct, library_lag_unsent_ms
 *                       the same without send_frame() after the stretch,
 *                       which leaves the frame's tail in Xlib's buffer
 *   whole_unsent_pct, lag_ms, lag_unsent_ms
 *                       the same with the display's wait
 *   unthrottled_passes  passes of each of the two loops below
 *   present_hz          a fixed frame stretched onto the screen as fast as it
 *                       goes: the ceiling of the unthrottled rate
 *   unthrottled_hz      the demo's pass with Tab held (compose the next
 *                       frame, stretch it), in blocks that alternate with
 *                       those above so that a drifting machine slows both
 *   composed_frames     frames timed one by one for the two below
 *   compose_us          the median time to compose a frame
 *   floor_us            the median time to move the same bytes by plain
 *                       copies
 *
 * and then six ratios against their goals, and composing against its floor:
 *
 *   paced_vs_cap_pct            paced_hz / retrace_hz        goal >= 97 %
 *   whole_frames_pct            the paced frames sent whole, with the
 *                               display's wait               goal >= 99 %
 *   paced_cpu_pct               CPU time / wall time of the paced loop
 *                                                            goal <= 15 %
 *   unthrottled_vs_ceiling_pct  unthrottled_hz / present_hz  goal >= 75 %
 *   compose_vs_tick_pct         compose_us / the 10 ms tick  goal <= 2 %
 *   startup_vs_first_frame_pct  startup_work_ms / first_frame_ms
 *                                                            goal <= 5 %
 *   compose_vs_floor_x          compose_us / floor_us
 *
 *   measure_window [--smoke] [--launched SECONDS]
 *
 * SECONDS is the wall-clock time of the launch in seconds since the epoch,
 * as bash's $EPOCHREALTIME gives it; without it times count from main().
 * scripts/measure-window.sh runs it under an X server of its own.
 */
#include <allegro.h>
#include <xalleg.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "demo/sizes.h"
#include "demo/stage.h"
#include "demo/swarm.h"
#include "demo/timer.h"
#include "demo/window.h"
#include "floor.h"
#include "frame_lines.h"
#include "measuring.h"
#include "platform/platform.h"
#include "scene/palette.h"

using Clock = std::chrono::steady_clock;

/* How long each measurement runs. */
struct Lengths {
   double paced_seconds;   /* at least, of each paced loop and of vsync() alone */
   double watched_seconds; /* of each paced loop whose frames are watched */
   int blocks;             /* blocks of each unthrottled loop, in turns */
   int block_passes;       /* passes in each block */
   int composed_frames;    /* frames composed and copied one by one */
};
static const Lengths FULL = {5.0, 2.5, 40, 100, 2000};
static const Lengths SMOKE = {0.5, 0.3, 4, 10, 100};

static const Goal PACED_GOAL = {AT_LEAST, 97};
static const Goal WHOLE_GOAL = {AT_LEAST, 99};
static const Goal PACED_CPU_GOAL = {AT_MOST, 15};
static const Goal UNTHROTTLED_GOAL = {AT_LEAST, 75};
static const Goal COMPOSE_GOAL = {AT_MOST, 2};
static const Goal STARTUP_GOAL = {AT_MOST, 5};

static const double MS_PER_S = 1e3;
static const double US_PER_S = 1e6;
static const double TICK_US = TICK_MS * 1e3;
static const double PER_CENT = 100;
static const double NEAR_SECONDS = 0.004;   /* an interval this near a refresh is even */
static const double WHOLE_MS = 2;           /* a frame whose bottom comes this soon is whole */

/* Seconds from one moment of the steady clock to another. */
static double seconds(Clock::time_point from, Clock::time_point to)
{
   return std::chrono::duration<double>(to - from).count();
}

/* Wall-clock seconds since the epoch: only to relate main() to the launch. */
static double wall_seconds()
{
   const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
   return std::chrono::duration<double>(since_epoch).count();
}

/* The present: a 320x240 frame stretched by two onto the window. */
static void stretch_to_screen(BITMAP *frame)
{
   stretch_blit(frame, screen, 0, 0, FRAME_W, FRAME_H, 0, 0, WINDOW_W, WINDOW_H);
}

/* The CPU time this process has used, in seconds: its threads together. */
static double cpu_seconds()
{
   timespec now;
   clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
   return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

/* A paced loop, from the first return of vsync() to the last. */
struct Paced {
   int passes = 0;
   double span = 0;                /* seconds */
   double cpu = 0;                 /* CPU seconds in the same span */
   std::vector<double> intervals;  /* seconds from one return of vsync() to the next */
};

/* Runs the demo's paced pass over and over for at least the given seconds:
 * compose the next frame, wait for a retrace, stretch the frame onto the
 * screen, wait for the tick. With bare set, vsync() alone. t is the frame
 * count, carried on.
 */
static Paced measure_paced(Stage &stage, int &t, double least_seconds, bool bare = false)
{
   Paced paced;
   Clock::time_point first_retrace, last_retrace;
   double first_cpu = 0;
   for (int pass = 0; pass < 2 || paced.span < least_seconds; pass++) {
      tick_count.store(0, std::memory_order_relaxed);
      if (!bare) {
         t = next_frame_count(t);
         stage.compose(t);
      }
      vsync();
      const Clock::time_point retrace = Clock::now();
      if (pass == 0) {
         first_retrace = retrace;
         first_cpu = cpu_seconds();
      }
      else {
         paced.intervals.push_back(seconds(last_retrace, retrace));
      }
      last_retrace = retrace;
      paced.passes = pass;
      paced.span = seconds(first_retrace, retrace);
      paced.cpu = cpu_seconds() - first_cpu;
      if (!bare) {
         stretch_to_screen(stage.buffer);
         send_frame();
         wait_for_tick();
      }
   }
   return paced;
}

/* The frames of a paced loop watched through Damage: how many, how many
 * whole, and the median time from top to bottom.
 */
struct Watched {
   int frames = 0;
   int whole = 0;
   double lag_ms = 0;
};

/* Runs the demo's paced pass for the given seconds while watch reads the
 * window's lines: with send_frame() after the stretch, as the demo does, or
 * without it.
 */
static Watched measure_whole(Stage &stage, int &t, double seconds, bool send, LineWatch &watch)
{
   watch.begin();
   const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                   std::chrono::duration<double>(seconds));
   while (Clock::now() < end) {
      tick_count.store(0, std::memory_order_relaxed);
      t = next_frame_count(t);
      stage.compose(t);
      vsync();
      stretch_to_screen(stage.buffer);
      if (send)
         send_frame();
      wait_for_tick();
      watch.read();
   }
   const std::vector<double> lags = watch.end();
   Watched watched;
   watched.frames = static_cast<int>(lags.size());
   for (double lag : lags)
      if (lag <= WHOLE_MS)
         watched.whole++;
   if (!lags.empty())
      watched.lag_ms = median(lags);
   return watched;
}

/* Per cent of the watched frames that were whole; none when none was seen. */
static double whole_percent(const Watched &watched)
{
   return watched.frames ? PER_CENT * watched.whole / watched.frames : 0;
}

/* Per cent of the intervals that lie within NEAR_SECONDS of the period. */
static double near_percent(const std::vector<double> &intervals, double period)
{
   int near = 0;
   for (double interval : intervals)
      if (std::fabs(interval - period) <= NEAR_SECONDS)
         near++;
   return PER_CENT * near / static_cast<double>(intervals.size());
}

/* Seconds spent in each of the two unthrottled loops. */
struct Unthrottled {
   int passes = 0;
   double presenting = 0;   /* the fixed frame, stretched */
   double demo = 0;         /* the demo's pass */
};

/* Stretches a fixed frame onto the screen, and runs the demo's pass with Tab
 * held (compose the next frame, stretch it), in blocks of equal length. The
 * two take turns in the order present, demo, demo, present, present ..., so
 * that a machine that speeds up or slows down during the run favours
 * neither. Returns false when the fixed frame cannot be made.
 */
static bool measure_unthrottled(Stage &stage, int &t, const Lengths &lengths, Unthrottled &out)
{
   BITMAP *still = create_bitmap(FRAME_W, FRAME_H);
   if (!still)
      return false;
   blit(stage.buffer, still, 0, 0, 0, 0, FRAME_W, FRAME_H);

   for (int block = 0; block < lengths.blocks; block++) {
      for (int turn = 0; turn < 2; turn++) {
         const bool present_only = (block + turn) % 2 == 0;
         const Clock::time_point began = Clock::now();
         for (int i = 0; i < lengths.block_passes; i++) {
            if (present_only) {
               stretch_to_screen(still);
            }
            else {
               t = next_frame_count(t);
               stage.compose(t);
               stretch_to_screen(stage.buffer);
            }
         }
         (present_only ? out.presenting : out.demo) += seconds(began, Clock::now());
      }
   }
   out.passes = lengths.blocks * lengths.block_passes;
   destroy_bitmap(still);
   return true;
}

/* Median seconds to compose a frame, and to move its bytes by plain copies. */
struct Composing {
   double compose = 0;
   double floor = 0;
};

/* Composes the next frames one by one, each followed by the plain copies of
 * the same bytes at the same places, and times every one of both.
 */
static Composing measure_composing(Stage &stage, int &t, int frames)
{
   std::vector<double> composing, copying;
   for (int i = 0; i < frames; i++) {
      t = next_frame_count(t);
      const Clock::time_point began = Clock::now();
      stage.compose(t);
      const Clock::time_point composed = Clock::now();
      copy_floor(stage.buffer, stage.background, stage.blobs);
      const Clock::time_point copied = Clock::now();
      composing.push_back(seconds(began, composed));
      copying.push_back(seconds(composed, copied));
   }
   return {median(composing), median(copying)};
}

/* Prints a ratio in per cent as a "name value" line, then its goal, whether
 * the ratio meets it, and the two figures it comes from.
 */
static void print_ratio(const char *name, double part, double whole, const char *unit,
                        const Goal &goal)
{
   const double percent = PER_CENT * part / whole;
   std::printf("%s %.2f   goal %s %g %%: %s   (%.5g / %.5g %s)\n", name, percent,
               goal.bound == AT_LEAST ? ">=" : "<=", goal.percent,
               meets(goal, percent) ? "met" : "missed", part, whole, unit);
}

int main(int argc, char **argv)
{
   const Clock::time_point entered = Clock::now();
   const double entered_wall = wall_seconds();

   Options options;
   if (!parse_options(argc, argv, options)) {
      std::fprintf(stderr, "usage: measure_window [--smoke] [--launched SECONDS]\n");
      return EXIT_FAILURE;
   }
   const Lengths &lengths = options.smoke ? SMOKE : FULL;
   const double before_main = options.launched > 0 ? entered_wall - options.launched : 0;
   auto since_launch = [&](Clock::time_point moment) {
      return before_main + seconds(entered, moment);
   };

   /* Start-up in the demo's order, except that the stage makes the frame
    * bitmaps together with the rest of the scene
    */
   if (!open_window()) {
      std::fprintf(stderr, "measure_window: could not open a 640x480 8-bit window\n");
      return EXIT_FAILURE;
   }
   void (*const library_vsync)() = gfx_driver->vsync;
   follow_display_retrace();
   void (*const display_vsync)() = gfx_driver->vsync;
   install_keyboard();
   install_timers();
   /* Under X11 install_keyboard() takes the locale of the environment, for
    * its input method; the figures keep their '.' whatever it is.
    */
   std::setlocale(LC_NUMERIC, "C");
   const Clock::time_point window_opened = Clock::now();
   clear_bitmap(screen);
   const Clock::time_point palette_began = Clock::now();
   set_palette_ramp();
   const Clock::time_point palette_set = Clock::now();
   Stage stage;
   const Clock::time_point stage_made = Clock::now();

   /* The demo's first pass: frame 1, the retrace, the stretch, the tick */
   tick_count.store(0, std::memory_order_relaxed);
   int t = next_frame_count(0);
   stage.compose(t);
   vsync();
   stretch_to_screen(stage.buffer);
   send_frame();
   const Clock::time_point first_frame = Clock::now();
   wait_for_tick();

   /* The library's own wait, then vsync() alone and the paced loop with the
    * display's, in one run
    */
   gfx_driver->vsync = library_vsync;
   const Paced library = measure_paced(stage, t, lengths.paced_seconds);
   gfx_driver->vsync = display_vsync;
   const Paced bare = measure_paced(stage, t, lengths.paced_seconds, true);
   const Paced paced = measure_paced(stage, t, lengths.paced_seconds);

   /* Both waits again, their frames watched, with send_frame() and without */
   LineWatch watch(DisplayString(_xwin.display), static_cast<xcb_window_t>(_xwin.window));
   if (!watch.ok()) {
      std::fprintf(stderr, "measure_window: no Damage extension to watch the window with\n");
      return EXIT_FAILURE;
   }
   gfx_driver->vsync = library_vsync;
   const Watched library_sent = measure_whole(stage, t, lengths.watched_seconds, true, watch);
   const Watched library_unsent = measure_whole(stage, t, lengths.watched_seconds, false, watch);
   gfx_driver->vsync = display_vsync;
   const Watched sent = measure_whole(stage, t, lengths.watched_seconds, true, watch);
   const Watched unsent = measure_whole(stage, t, lengths.watched_seconds, false, watch);
   Unthrottled unthrottled;
   if (!measure_unthrottled(stage, t, lengths, unthrottled)) {
      std::fprintf(stderr, "measure_window: could not make a 320x240 bitmap\n");
      return EXIT_FAILURE;
   }
   const Composing composing = measure_composing(stage, t, lengths.composed_frames);

   const double first_frame_ms = since_launch(first_frame) * MS_PER_S;
   const double startup_work_ms = seconds(palette_set, stage_made) * MS_PER_S;
   const double retrace_hz = bare.passes / bare.span;
   const double paced_hz = paced.passes / paced.span;
   const double present_hz = unthrottled.passes / unthrottled.presenting;
   const double unthrottled_hz = unthrottled.passes / unthrottled.demo;
   const double compose_us = composing.compose * US_PER_S;
   const double floor_us = composing.floor * US_PER_S;

   std::printf("mode %s\n", options.smoke ? "smoke" : "full");
   std::printf("main_ms %.2f\n", before_main * MS_PER_S);
   std::printf("window_ms %.2f\n", since_launch(window_opened) * MS_PER_S);
   std::printf("palette_ms %.2f\n", seconds(palette_began, palette_set) * MS_PER_S);
   std::printf("startup_work_ms %.3f\n", startup_work_ms);
   std::printf("first_frame_ms %.2f\n", first_frame_ms);
   std::printf("refresh_rate_hz %d\n", get_refresh_rate());
   std::printf("library_hz %.3f\n", library.passes / library.span);
   std::printf("library_near_pct %.1f\n", near_percent(library.intervals, 1 / retrace_hz));
   std::printf("retrace_hz %.3f\n", retrace_hz);
   std::printf("paced_passes %d\n", paced.passes);
   std::printf("paced_hz %.3f\n", paced_hz);
   std::printf("paced_near_pct %.1f\n", near_percent(paced.intervals, 1 / retrace_hz));
   std::printf("library_whole_pct %.1f\n", whole_percent(library_sent));
   std::printf("library_lag_ms %.1f\n", library_sent.lag_ms);
   std::printf("library_whole_unsent_pct %.1f\n", whole_percent(library_unsent));
   std::printf("library_lag_unsent_ms %.1f\n", library_unsent.lag_ms);
   std::printf("whole_unsent_pct %.1f\n", whole_percent(unsent));
   std::printf("lag_ms %.1f\n", sent.lag_ms);
   std::printf("lag_unsent_ms %.1f\n", unsent.lag_ms);
   std::printf("unthrottled_passes %d\n", unthrottled.passes);
   std::printf("present_hz %.1f\n", present_hz);
   std::printf("unthrottled_hz %.1f\n", unthrottled_hz);
   std::printf("composed_frames %d\n", lengths.composed_frames);
   std::printf("compose_us %.2f\n", compose_us);
   std::printf("floor_us %.2f\n", floor_us);

   print_ratio("paced_vs_cap_pct", paced_hz, retrace_hz, "Hz", PACED_GOAL);
   print_ratio("whole_frames_pct", sent.whole, sent.frames, "frames", WHOLE_GOAL);
   print_ratio("paced_cpu_pct", paced.cpu, paced.span, "s", PACED_CPU_GOAL);
   print_ratio("unthrottled_vs_ceiling_pct", unthrottled_hz, present_hz, "Hz", UNTHROTTLED_GOAL);
   print_ratio("compose_vs_tick_pct", compose_us, TICK_US, "us", COMPOSE_GOAL);
   print_ratio("startup_vs_first_frame_pct", startup_work_ms, first_frame_ms, "ms", STARTUP_GOAL);
   std::printf("compose_vs_floor_x %.2f   (%.5g / %.5g us)\n", compose_us / floor_us, compose_us,
               floor_us);
   return EXIT_SUCCESS;
}
END_OF_MAIN()
