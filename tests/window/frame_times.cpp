/*
 * frame_times: watches a window's frames from outside for some seconds and
 * prints the X server's times of each, in milliseconds, one frame a line:
 * when its top line was drawn, and when its bottom line was.
 *
 * The demo's library sends a frame to its window a line at a time, top to
 * bottom, so the Damage extension reports every line drawn; the frame's time
 * is that of its top line. A frame whose bottom comes late is shown torn
 * meanwhile: its top over the bottom of the frame before. The server stamps
 * each report as it draws, so the times are the server's own, whatever this
 * watcher's delays. It is written in C++ so that reading some 30,000 reports
 * a second takes little of a machine the demo shares.
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
static const int BOTTOM_LINE = 479;   /* of the demo's 640x480 window */

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
   bool top_seen = false;    /* a frame's top has come, its bottom not yet */
   xcb_timestamp_t top = 0;
   while (Clock::now() < end && !xcb_connection_has_error(c)) {
      xcb_generic_event_t *event = xcb_poll_for_event(c);
      if (!event) {
         poll(&readable, 1, 10);
         continue;
      }
      const auto *notify = reinterpret_cast<xcb_damage_notify_event_t *>(event);
      if ((event->response_type & 0x7f) == damage->first_event + XCB_DAMAGE_NOTIFY) {
         if (notify->area.y == TOP_LINE) {
            top = notify->timestamp;
            top_seen = true;
         }
         else if (notify->area.y == BOTTOM_LINE && top_seen) {
            std::printf("%u %u\n", top, notify->timestamp);
            top_seen = false;
         }
      }
      std::free(event);
   }
   xcb_disconnect(c);
   return 0;
}
