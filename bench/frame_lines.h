/*
 * How whole the window's frames reach the X server: the server's time of
 * each frame's top line and of its bottom line, from the reports of the
 * Damage extension on a connection of its own. The library sends a frame a
 * line at a time, so a frame whose bottom comes late is shown torn
 * meanwhile. measure_window watches its window with it.
 */
#ifndef BENCH_FRAME_LINES_H
#define BENCH_FRAME_LINES_H

#include <xcb/xcb.h>

#include <vector>

class LineWatch {
public:
   /* Connects to the display and gets ready to watch the window; ok() says
    * whether that worked.
    */
   LineWatch(const char *display, xcb_window_t watched);
   ~LineWatch();
   LineWatch(const LineWatch &) = delete;
   LineWatch &operator=(const LineWatch &) = delete;

   bool ok() const;

   /* Starts watching; reads the reports that came since, as often as the
    * watcher likes; stops, and gives the milliseconds from top to bottom of
    * every frame whose two lines were both seen.
    */
   void begin();
   void read();
   std::vector<double> end();

private:
   xcb_connection_t *connection;
   xcb_window_t window;
   int first_event = -1;     /* the Damage extension's, once it is known */
   unsigned damage = 0;       /* the Damage object while watching */
   bool top_seen = false;     /* a frame's top has come, its bottom not yet */
   unsigned top = 0;          /* the server's time of that top, in ms */
   std::vector<double> lags;
};

#endif
