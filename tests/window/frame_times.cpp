/*
 * frame_times: watches a window's frames from outside for some seconds and
 * prints the X server's time of each, in milliseconds, one a line.
 *
 * The demo's library sends a frame to its window a line at a time, top to
 * bottom, so the Damage extension reports every line drawn; the frame's time
 * is that of its top line. The server stamps each report as it draws, so the
 * times are the server's own, whatever this watcher's delays. It is written
 * in C++ so that reading some 30,000 reports a second takes little of a
 * machine the demo shares.
 *
 *   frame_times WINDOW SECONDS
 */
#include <poll.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using Clock = std::chrono::steady_clock;

static const int TOP_LINE = 0;

int main(int argc, char **argv)
{
   if (argc != 3) {
      std::fprintf(stderr, "usage: frame_times WINDOW SECONDS\n");
      return 2;
   }
   const auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
   const auto end = Clock::now() + std::chrono::duration<double>(std::atof(argv[2]));

   xcb_connection_t *c = xcb_connect(nullptr, nullptr);
   const xcb_query_extension_reply_t *damage = xcb_get_extension_data(c, &xcb_damage_id);
   if (xcb_connection_has_error(c) || !damage || !damage->present) {
      std::fprintf(stderr, "frame_times: no display with the Damage extension\n");
      return 1;
   }
   std::free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
   xcb_damage_create(c, xcb_generate_id(c), window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
   xcb_flush(c);

   pollfd readable = {xcb_get_file_descriptor(c), POLLIN, 0};
   while (Clock::now() < end && !xcb_connection_has_error(c)) {
      xcb_generic_event_t *event = xcb_poll_for_event(c);
      if (!event) {
         poll(&readable, 1, 10);
         continue;
      }
      const auto *notify = reinterpret_cast<xcb_damage_notify_event_t *>(event);
      if ((event->response_type & 0x7f) == damage->first_event + XCB_DAMAGE_NOTIFY &&
          notify->area.y == TOP_LINE)
         std::printf("%u\n", notify->timestamp);
      std::free(event);
   }
   xcb_disconnect(c);
   return 0;
}
