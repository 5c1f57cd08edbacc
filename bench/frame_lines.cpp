/*
 * Watching a window's top and bottom lines through Damage.
 */
#include "frame_lines.h"

#include <xcb/damage.h>

#include <cstdlib>

#include "demo/sizes.h"

static const int TOP_LINE = 0;
static const int BOTTOM_LINE = WINDOW_H - 1;

LineWatch::LineWatch(const char *display, xcb_window_t watched)
   : connection(xcb_connect(display, nullptr)), window(watched)
{
   if (xcb_connection_has_error(connection))
      return;
   const xcb_query_extension_reply_t *extension = xcb_get_extension_data(connection, &xcb_damage_id);
   if (!extension || !extension->present)
      return;
   std::free(xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1),
                                            nullptr));
   first_event = extension->first_event;
}

LineWatch::~LineWatch()
{
   xcb_disconnect(connection);
}

bool LineWatch::ok() const
{
   return first_event >= 0 && !xcb_connection_has_error(connection);
}

void LineWatch::begin()
{
   lags.clear();
   top_seen = false;
   damage = xcb_generate_id(connection);
   xcb_damage_create(connection, damage, window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
   xcb_flush(connection);
}

void LineWatch::read()
{
   while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
      const auto *notify = reinterpret_cast<xcb_damage_notify_event_t *>(event);
      if ((event->response_type & 0x7f) == first_event + XCB_DAMAGE_NOTIFY &&
          notify->damage == damage) {
         if (notify->area.y == TOP_LINE) {
            top = notify->timestamp;
            top_seen = true;
         }
         else if (notify->area.y == BOTTOM_LINE && top_seen) {
            lags.push_back(static_cast<double>(notify->timestamp - top));
            top_seen = false;
         }
      }
      std::free(event);
   }
}

std::vector<double> LineWatch::end()
{
   read();
   xcb_damage_destroy(connection, damage);
   xcb_flush(connection);
   return lags;
}
