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
 *   frame_times --bare SECONDS
 *
 * With --bare it shows frames of its own and watches those: a bare client
 * beside the demo's window, which at each of the display's refreshes, as
 * Present reports them, stretches a fixed 320x240 8-bit picture onto its
 * 640x480 window and flushes it, as the demo's library and send_frame() do:
 * each line stretched and turned into the display's colours through a
 * palette, then sent from shared memory. It composes nothing. Watched in the same X server at the same time as
 * the demo, its frames show what the machine's other work leaves of the
 * pacing, and the demo's are judged against them.
 */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/shm.h>
#include <xcb/damage.h>
#include <xcb/present.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using Clock = std::chrono::steady_clock;

static const int TOP_LINE = 0;
static const int BOTTOM_LINE = 479;   /* of the demo's 640x480 window */
static const int WIDTH = 640;
static const int BARE_X = 656;        /* right of the demo's window, at the screen's left */
static const int COLOURS = 256;

/* The bare client: its window, drawn through Xlib with shared memory as the
 * library draws, and paced by Present's answers on the watching connection.
 */
struct Bare {
   Display *display = nullptr;
   XImage *image = nullptr;
   XShmSegmentInfo shm = {};
   Window window = 0;
   xcb_window_t id = 0;      /* the same window, as XCB names it */
   GC gc = nullptr;
   xcb_special_event_t *answers = nullptr;
   unsigned char picture[(BOTTOM_LINE + 1) / 2][WIDTH / 2];
   uint32_t palette[COLOURS];
};

static bool open_bare(Bare &bare, xcb_connection_t *c)
{
   bare.display = XOpenDisplay(nullptr);
   if (!bare.display || !XShmQueryExtension(bare.display))
      return false;
   const int screen = DefaultScreen(bare.display);
   const int depth = DefaultDepth(bare.display, screen);
   bare.window = XCreateSimpleWindow(bare.display, RootWindow(bare.display, screen), BARE_X, 0,
                                     WIDTH, BOTTOM_LINE + 1, 0, 0, 0);
   bare.id = static_cast<xcb_window_t>(bare.window);
   bare.gc = XCreateGC(bare.display, bare.window, 0, nullptr);
   bare.image = XShmCreateImage(bare.display, DefaultVisual(bare.display, screen), depth, ZPixmap,
                                nullptr, &bare.shm, WIDTH, BOTTOM_LINE + 1);
   bare.shm.shmid = shmget(IPC_PRIVATE, bare.image->bytes_per_line * bare.image->height, IPC_CREAT | 0600);
   bare.shm.shmaddr = bare.image->data = static_cast<char *>(shmat(bare.shm.shmid, nullptr, 0));
   if (bare.image->bits_per_pixel != 32)
      return false;
   for (int y = 0; y < (BOTTOM_LINE + 1) / 2; y++)
      for (int x = 0; x < WIDTH / 2; x++)
         bare.picture[y][x] = static_cast<unsigned char>(x ^ y);
   for (int i = 0; i < COLOURS; i++)
      bare.palette[i] = static_cast<uint32_t>(i * 0x010101);
   XShmAttach(bare.display, &bare.shm);
   XMapWindow(bare.display, bare.window);
   XSync(bare.display, False);
   shmctl(bare.shm.shmid, IPC_RMID, nullptr);   /* gone once both have let go */

   std::free(xcb_present_query_version_reply(c, xcb_present_query_version(c, 1, 0), nullptr));
   const uint32_t eid = xcb_generate_id(c);
   bare.answers = xcb_register_for_special_xge(c, &xcb_present_id, eid, nullptr);
   xcb_present_select_input(c, eid, bare.id, XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY);
   xcb_present_notify_msc(c, bare.id, 0, 0, 1, 0);
   return true;
}

/* At a refresh: the picture, a line at a time, flushed, and a wait for the
 * next refresh.
 */
static void show_bare(Bare &bare, xcb_connection_t *c, uint64_t msc)
{
   for (int y = TOP_LINE; y <= BOTTOM_LINE; y++) {
      auto *line = reinterpret_cast<uint32_t *>(bare.image->data + y * bare.image->bytes_per_line);
      for (int x = 0; x < WIDTH; x++)
         line[x] = bare.palette[bare.picture[y / 2][x / 2]];
      XShmPutImage(bare.display, bare.window, bare.gc, bare.image, 0, y, 0, y, WIDTH, 1, False);
   }
   XFlush(bare.display);
   xcb_present_notify_msc(c, bare.id, 0, msc + 1, 0, 0);
   xcb_flush(c);
}

int main(int argc, char **argv)
{
   if (argc != 3) {
      std::fprintf(stderr, "usage: frame_times WINDOW|--bare SECONDS\n");
      return 2;
   }
   auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
   const auto end = Clock::now() + std::chrono::duration<double>(std::atof(argv[2]));

   xcb_connection_t *c = xcb_connect(nullptr, nullptr);
   const xcb_query_extension_reply_t *damage = xcb_get_extension_data(c, &xcb_damage_id);
   if (xcb_connection_has_error(c) || !damage || !damage->present) {
      std::fprintf(stderr, "frame_times: no display with the Damage extension\n");
      return 1;
   }
   static Bare bare;
   if (std::strcmp(argv[1], "--bare") == 0) {
      if (!open_bare(bare, c)) {
         std::fprintf(stderr, "frame_times: no 32-bit display with shared memory for a bare client\n");
         return 1;
      }
      window = bare.id;
   }
   std::free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
   xcb_damage_create(c, xcb_generate_id(c), window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
   xcb_flush(c);

   pollfd readable = {xcb_get_file_descriptor(c), POLLIN, 0};
   bool top_seen = false;    /* a frame's top has come, its bottom not yet */
   xcb_timestamp_t top = 0;
   /* Shows the bare client's next frame once Present has answered; the
    * answer is read off the connection with the other events.
    */
   const auto answered = [&] {
      xcb_generic_event_t *answer = bare.answers ? xcb_poll_for_special_event(c, bare.answers) : nullptr;
      if (answer)
         show_bare(bare, c, reinterpret_cast<xcb_present_complete_notify_event_t *>(answer)->msc);
      std::free(answer);
      return answer != nullptr;
   };
   while (Clock::now() < end && !xcb_connection_has_error(c)) {
      if (answered())
         continue;
      xcb_generic_event_t *event = xcb_poll_for_event(c);
      if (!event) {
         if (!answered())
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
