/*
 * Preloaded into the demo by the window tests (LD_PRELOAD) to play an X
 * server whose Present extension fails the demo, as REFUSE_PRESENT says:
 *
 *   extension   the server has no Present: XCB reports the extension absent
 *   answers     the server takes the requests for the next vertical blank
 *               but never answers one, as a compositor does for a hidden
 *               window: the requests are dropped unsent
 *   errors      the server answers the requests, but refuses one it made
 *               up beside each, for no window, with an error, as it does a
 *               request it cannot carry out
 *   late        while the file REFUSE_PRESENT_SWITCH is there, the server
 *               answers each request LATE_BLANKS refreshes after the blank
 *               asked for, well after the demo's bound; once it is gone, on
 *               time again
 *   lose        the server loses one request, the first made once the file
 *               REFUSE_PRESENT_SWITCH is there, and never answers it: the
 *               request is dropped unsent and the file removed, to say so
 *
 * Xvfb cannot be started without Present, so this stands in for a server
 * without it. Everything else goes to XCB as it is. At exit it writes
 * "asked N" to the file REFUSE_PRESENT_REPORT: the requests the demo made
 * for a vertical blank.
 */
#include <dlfcn.h>
#include <unistd.h>
#include <xcb/present.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static long asked = 0;

/* A quarter of a second at Xvfb's 60 Hz: two and a half times the bound. */
static const uint64_t LATE_BLANKS = 15;

/* Whether REFUSE_PRESENT names this way of failing. */
static bool refusing(const char *what)
{
   const char *mode = std::getenv("REFUSE_PRESENT");
   return mode && std::strcmp(mode, what) == 0;
}

/* The extension's data as XCB has it, or as a server without it. */
extern "C" const xcb_query_extension_reply_t *xcb_get_extension_data(xcb_connection_t *c,
                                                                     xcb_extension_t *ext)
{
   static const xcb_query_extension_reply_t absent = {};
   if (refusing("extension") && std::strcmp(ext->name, "Present") == 0)
      return &absent;
   using Real = const xcb_query_extension_reply_t *(*)(xcb_connection_t *, xcb_extension_t *);
   static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "xcb_get_extension_data"));
   return real(c, ext);
}

/* Whether the file REFUSE_PRESENT_SWITCH is there, in the way WHAT. */
static bool switched(const char *what)
{
   const char *switch_file = std::getenv("REFUSE_PRESENT_SWITCH");
   return refusing(what) && switch_file && access(switch_file, F_OK) == 0;
}

/* Whether this request is the one to lose; the switch is removed with it. */
static bool lost()
{
   return switched("lose") && unlink(std::getenv("REFUSE_PRESENT_SWITCH")) == 0;
}

/* A request for a vertical blank, counted; sent, or dropped, or sent for a
 * later blank.
 */
extern "C" xcb_void_cookie_t xcb_present_notify_msc(xcb_connection_t *c, xcb_window_t window,
                                                    uint32_t serial, uint64_t target_msc,
                                                    uint64_t divisor, uint64_t remainder)
{
   asked++;
   if (refusing("answers") || lost())
      return {0};
   if (switched("late"))
      target_msc += LATE_BLANKS;
   using Real = xcb_void_cookie_t (*)(xcb_connection_t *, xcb_window_t, uint32_t, uint64_t,
                                      uint64_t, uint64_t);
   static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "xcb_present_notify_msc"));
   const xcb_void_cookie_t cookie = real(c, window, serial, target_msc, divisor, remainder);
   if (refusing("errors"))
      real(c, XCB_WINDOW_NONE, serial, target_msc, divisor, remainder);
   return cookie;
}

__attribute__((destructor)) static void report()
{
   const char *path = std::getenv("REFUSE_PRESENT_REPORT");
   if (!path)
      return;
   if (FILE *f = std::fopen(path, "w")) {
      std::fprintf(f, "asked %ld\n", asked);
      std::fclose(f);
   }
}
