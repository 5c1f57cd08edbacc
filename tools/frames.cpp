/*
 * blobs-frames: composes the demo's frames with the demo's own code, without
 * a window, to make pictures of it and to tell which frame a screenshot of
 * the running demo shows.
 *
 *   blobs-frames write DIR FIRST LAST [STEP]
 *       writes frames FIRST, FIRST + STEP, ... up to LAST as
 *       DIR/frame-NNNNN.bmp, 320x240 in 8-bit colour with the demo's palette
 *   blobs-frames match SHOT.ppm [FIRST LAST]
 *       reads a 640x480 binary PPM of the window and prints the first frame
 *       count from FIRST to LAST (1 ... 2304 unless given) whose frame it
 *       shows pixel for pixel once stretched by two; exits 1 when none does
 *
 * Frame counts and steps are whole numbers from 1 up to the largest int,
 * with FIRST no greater than LAST; anything else gets the usage line and
 * exit status 2, and nothing is written.
 */
#include <allegro.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "demo/motion.h"
#include "demo/stage.h"
#include "scene/palette.h"

/* Everything the demo builds at start-up, built the same way, and the
 * palette it shows frames with.
 */
struct Scene {
   Scene()
   {
      set_palette_ramp();
      for (int i = 0; i < PAL_SIZE; i++)
         get_color(i, &palette[i]);
   }
   void compose(int t) { stage.compose(t); }

   Stage stage;
   BITMAP *buffer = stage.buffer;
   PALETTE palette;
};

static const int USAGE_STATUS = 2;

/* Writes the frames; the count runs in a wider type, so that a step past
 * the largest int ends the loop instead of wrapping around.
 */
static int write_frames(Scene &scene, const std::string &dir, int first, int last, int step)
{
   for (long long t = first; t <= last; t += step) {
      scene.compose(static_cast<int>(t));
      char name[32];
      std::snprintf(name, sizeof name, "/frame-%05lld.bmp", t);
      const std::string path = dir + name;
      if (save_bitmap(path.c_str(), scene.buffer, scene.palette) != 0) {
         std::fprintf(stderr, "blobs-frames: cannot write %s\n", path.c_str());
         return EXIT_FAILURE;
      }
   }
   return EXIT_SUCCESS;
}

/* A screenshot reduced to one 6-bit colour per frame pixel. */
struct Shot {
   std::vector<unsigned char> rgb;   /* FRAME_W x FRAME_H x 3, components 0 ... 63 */
   int split_blocks = 0;             /* 2x2 blocks that are not one colour */
};

/* Reads one number of a PPM header, passing over white space and comments. */
static bool read_header_number(FILE *f, int &n)
{
   int ch = std::fgetc(f);
   while (ch == '#' || std::isspace(ch)) {
      if (ch == '#')
         while (ch != '\n' && ch != EOF)
            ch = std::fgetc(f);
      ch = std::fgetc(f);
   }
   if (!std::isdigit(ch))
      return false;
   n = 0;
   while (std::isdigit(ch) && n < 100000) {
      n = n * 10 + (ch - '0');
      ch = std::fgetc(f);
   }
   return std::isspace(ch);   /* one white space character ends the header */
}

/* Reads a 640x480 binary PPM with 8- or 16-bit samples (the top byte of a
 * 16-bit sample is its 8-bit value).
 */
static bool read_shot(const char *path, Shot &shot)
{
   FILE *f = std::fopen(path, "rb");
   if (!f)
      return false;
   int w = 0, h = 0, maxval = 0;
   const bool header = std::fgetc(f) == 'P' && std::fgetc(f) == '6' &&
                       read_header_number(f, w) && read_header_number(f, h) &&
                       read_header_number(f, maxval);
   const size_t sample = maxval > 255 ? 2 : 1;
   const size_t row_bytes = size_t(WINDOW_W) * 3;
   std::vector<unsigned char> raw(row_bytes * WINDOW_H * sample);
   const bool ok = header && w == WINDOW_W && h == WINDOW_H && (maxval == 255 || maxval == 65535) &&
                   std::fread(raw.data(), 1, raw.size(), f) == raw.size();
   std::fclose(f);
   if (!ok)
      return false;
   std::vector<unsigned char> full(row_bytes * WINDOW_H);
   for (size_t i = 0; i < full.size(); i++)
      full[i] = raw[i * sample];

   shot.rgb.assign(size_t(FRAME_W) * FRAME_H * 3, 0);
   for (size_t y = 0; y < FRAME_H; y++)
      for (size_t x = 0; x < FRAME_W; x++) {
         const unsigned char *top = &full[FRAME_SCALE * y * row_bytes + FRAME_SCALE * x * 3];
         const unsigned char *bottom = top + row_bytes;
         if (std::memcmp(top, top + 3, 3) || std::memcmp(top, bottom, 3) ||
             std::memcmp(top, bottom + 3, 3))
            shot.split_blocks++;
         /* The window shows each 6-bit component c as an 8-bit one whose
          * top six bits are c.
          */
         for (size_t k = 0; k < 3; k++)
            shot.rgb[(y * FRAME_W + x) * 3 + k] = static_cast<unsigned char>(top[k] >> 2);
      }
   return true;
}

/* Pixels of a composed bitmap whose colour differs from the shot's, over the
 * whole frame or only over its margin, which no sprite ever reaches.
 */
static int mismatches(const Scene &scene, BITMAP *frame, const Shot &shot, bool margin_only)
{
   int count = 0;
   for (int y = 0; y < FRAME_H; y++)
      for (int x = 0; x < FRAME_W; x++) {
         const bool in_reach = x >= REACH_LEFT && x <= REACH_RIGHT &&
                               y >= REACH_TOP && y <= REACH_BOTTOM;
         if (margin_only && in_reach)
            continue;
         const RGB &c = scene.palette[frame->line[y][x]];
         const unsigned char *s = &shot.rgb[static_cast<size_t>(y * FRAME_W + x) * 3];
         if (c.r != s[0] || c.g != s[1] || c.b != s[2])
            count++;
      }
   return count;
}

static int match_shot(Scene &scene, const char *path, int first, int last)
{
   Shot shot;
   if (!read_shot(path, shot)) {
      std::fprintf(stderr, "blobs-frames: %s is not a 640x480 binary PPM\n", path);
      return EXIT_FAILURE;
   }
   /* Every frame shows the bare glow in its margin: a shot that does not
    * (a window still black, say) shows no frame, and the search is spared.
    */
   const int off_margin = mismatches(scene, scene.stage.background, shot, true);
   if (off_margin > 0) {
      std::printf("none\n");
      std::fprintf(stderr, "blobs-frames: no frame matches; %d pixels of the margin differ "
                           "from the background\n", off_margin);
      return EXIT_FAILURE;
   }
   /* The picture repeats every period, so the first frame that matches, if
    * any does, lies within one period of FIRST.
    */
   const long long end = std::min<long long>(last, first + (PATH_PERIOD - 1LL));
   int best_t = first, best = INT_MAX;
   for (long long t = first; t <= end; t++) {
      scene.compose(static_cast<int>(t));
      const int m = mismatches(scene, scene.buffer, shot, false);
      if (m == 0 && shot.split_blocks == 0) {
         std::printf("%lld\n", t);
         return EXIT_SUCCESS;
      }
      if (m < best) {
         best = m;
         best_t = static_cast<int>(t);
      }
   }
   std::printf("none\n");
   std::fprintf(stderr,
                "blobs-frames: no frame matches; closest is %d with %d pixels off, "
                "%d 2x2 blocks split\n", best_t, best, shot.split_blocks);
   return EXIT_FAILURE;
}

/* Prints the usage line and gives the status for a command line gone wrong. */
static int usage()
{
   std::fprintf(stderr,
                "usage: blobs-frames write DIR FIRST LAST [STEP]\n"
                "       blobs-frames match SHOT.ppm [FIRST LAST]\n");
   return USAGE_STATUS;
}

/* Reads a whole number from 1 to the largest int: digits only, all of the
 * argument, no sign, no space.
 */
static bool read_count(const char *text, int &n)
{
   if (!std::isdigit(static_cast<unsigned char>(text[0])))
      return false;
   char *end = nullptr;
   errno = 0;
   const long long value = std::strtoll(text, &end, 10);
   if (errno == ERANGE || *end != '\0' || value < 1 || value > INT_MAX)
      return false;
   n = static_cast<int>(value);
   return true;
}

/* Reads FIRST LAST [STEP] from args: FIRST no greater than LAST. */
static bool read_range(int count, char **args, int &first, int &last, int &step)
{
   return read_count(args[0], first) && read_count(args[1], last) && first <= last &&
          (count < 3 || read_count(args[2], step));
}

int main(int argc, char **argv)
{
   const std::string command = argc > 1 ? argv[1] : "";
   const bool write = command == "write" && (argc == 5 || argc == 6);
   const bool match = command == "match" && (argc == 3 || argc == 5);
   /* FIRST LAST [STEP] follow the folder or the shot; match may leave them out. */
   const bool range_given = argc >= 5;
   int first = 1, last = PATH_PERIOD, step = 1;
   if (!(write || match) || (range_given && !read_range(argc - 3, argv + 3, first, last, step)))
      return usage();

   if (!start_headless())
      return EXIT_FAILURE;
   Scene scene;
   return write ? write_frames(scene, argv[2], first, last, step)
                : match_shot(scene, argv[2], first, last);
}
END_OF_MAIN()
