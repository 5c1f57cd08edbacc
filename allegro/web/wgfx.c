/*
 *      The web port's graphics driver: an 8-bit screen shown in the page's
 *      canvas, windowed, as the page is the window.
 *
 *      The screen is an ordinary bitmap in the program's memory. At each of
 *      the browser's animation frames, when the program has run since the
 *      last one, its pixels are turned into colours through the palette,
 *      by the program's own code, and the page puts them in the canvas, one
 *      canvas pixel for each screen pixel; the page sizes the canvas on the
 *      display. The program never runs
 *      during that turn, so the canvas always shows a whole picture. The
 *      retrace that vsync() waits for is the browser's next animation frame,
 *      which follows the display's refresh; a hidden page has none, and a
 *      program that waits for one sleeps until the page is shown again.
 */

#include <emscripten.h>
#include <stdint.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "aintweb.h"


static BITMAP *web_gfx_init(int w, int h, int v_w, int v_h, int color_depth);
static void web_gfx_exit(BITMAP *bmp);
static void web_vsync(void);
static void web_set_palette(AL_CONST RGB *p, int from, int to, int retracesync);


GFX_DRIVER gfx_web =
{
   GFX_WEB,
   empty_string,
   empty_string,
   "Web canvas",
   web_gfx_init,
   web_gfx_exit,
   NULL,                  /* scroll */
   web_vsync,
   web_set_palette,
   NULL, NULL, NULL,      /* request_scroll, poll_scroll, enable_triple_buffer */
   NULL, NULL, NULL, NULL, /* video bitmaps */
   NULL, NULL,            /* system bitmaps */
   NULL, NULL, NULL, NULL, /* mouse sprite */
   NULL,                  /* drawing_mode */
   NULL, NULL,            /* save_video_state, restore_video_state */
   NULL,                  /* set_blender_mode */
   NULL,                  /* fetch_mode_list */
   0, 0,                  /* physical size, set by init */
   TRUE,                  /* linear */
   0, 0, 0, 0,            /* no banks, no video memory */
   TRUE                   /* windowed */
};


#define WEB_COLOR_DEPTH    8
#define WEB_ALPHA          0xFF000000u   /* every colour opaque */

static unsigned char *web_pixels;        /* the screen's memory */
static uint32_t *web_colours;            /* the screen in colours, for the canvas */
static int web_size;                     /* pixels in each */

/* The palette as the canvas takes it, one 32-bit word of red, green, blue
 * and alpha bytes (in that order in memory) for each index.
 */
static uint32_t web_palette[PAL_SIZE];



/* _web_colour_screen:
 *  Called by the page before it shows the screen: turns the screen's
 *  pixels into the colours the canvas takes.
 */
EMSCRIPTEN_KEEPALIVE void _web_colour_screen(void)
{
   int i;

   for (i = 0; i < web_size; i++)
      web_colours[i] = web_palette[web_pixels[i]];
}



/* _web_show:
 *  Sizes the canvas to the screen and starts showing the screen there, in
 *  a loop on the browser's animation frames that also ends the waits for a
 *  retrace. Fails when the page has no canvas that draws in 2D. The
 *  program's memory never grows, so the picture can be read in place.
 */
EM_JS(int, _web_show, (int w, int h, const uint32_t *colours), {
   var canvas = Module.canvas;
   var context = canvas && canvas.getContext && canvas.getContext('2d', { alpha: false });
   if (!context)
      return -1;
   canvas.width = w;
   canvas.height = h;
   var image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, colours, w * h * 4), w, h);
   var alweb = Module.alweb;
   alweb.retraces = [];

   function paint() {
      __web_colour_screen();
      context.putImageData(image, 0, 0);
   }

   function frame() {
      alweb.frame = requestAnimationFrame(frame);
      if (alweb.ran) {
         alweb.ran = false;
         paint();
      }
      var waiting = alweb.retraces;
      alweb.retraces = [];
      waiting.forEach(alweb.wake);
   }

   /* The last picture stays in the canvas once the screen is closed. */
   alweb.hide = function() {
      cancelAnimationFrame(alweb.frame);
      if (alweb.ran)
         paint();
   };

   alweb.frame = requestAnimationFrame(frame);
   return 0;
});



/* _web_hide:
 *  Stops showing the screen.
 */
EM_JS(void, _web_hide, (void), {
   Module.alweb.hide();
});



/* _web_wait_retrace:
 *  Hands the thread to the page until its next animation frame.
 */
EM_JS(void, _web_wait_retrace, (void), {
   var alweb = Module.alweb;
   alweb.ran = true;
   Asyncify.handleSleep(function(wakeUp) { alweb.retraces.push(wakeUp); });
});



/* web_free_screen:
 *  Frees the screen's memory and its colours.
 */
static void web_free_screen(void)
{
   _AL_FREE(web_pixels);
   _AL_FREE(web_colours);
   web_pixels = NULL;
   web_colours = NULL;
}



/* web_gfx_error:
 *  Says why the screen could not be made.
 */
static BITMAP *web_gfx_error(AL_CONST char *why)
{
   ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text(why));
   return NULL;
}



/* web_gfx_init:
 *  Makes the screen, 8-bit and without a virtual screen larger than it,
 *  and shows it in the canvas.
 */
static BITMAP *web_gfx_init(int w, int h, int v_w, int v_h, int color_depth)
{
   BITMAP *b;

   if (color_depth != WEB_COLOR_DEPTH)
      return web_gfx_error("Unsupported color depth");
   if (w <= 0 || h <= 0 || v_w > w || v_h > h)
      return web_gfx_error("Unsupported virtual resolution");

   web_size = w * h;
   web_pixels = _AL_MALLOC_ATOMIC(web_size);
   web_colours = _AL_MALLOC_ATOMIC(web_size * sizeof(uint32_t));
   b = web_pixels && web_colours ? _make_bitmap(w, h, (uintptr_t)web_pixels, &gfx_web, color_depth, w) : NULL;
   if (!b) {
      web_free_screen();
      return web_gfx_error("Not enough memory");
   }
   memset(web_pixels, 0, web_size);

   if (_web_show(w, h, web_colours) != 0) {
      _AL_FREE(b);
      web_free_screen();
      return web_gfx_error("The page has no canvas to draw in");
   }

   gfx_web.w = w;
   gfx_web.h = h;
   return b;
}



/* web_gfx_exit:
 *  Stops showing the screen, and frees its memory; the library frees the
 *  bitmap itself.
 */
static void web_gfx_exit(BITMAP *bmp)
{
   _web_hide();
   web_free_screen();
}



/* web_vsync:
 *  Waits for the browser's next animation frame.
 */
static void web_vsync(void)
{
   _web_wait_retrace();
}



/* web_set_palette:
 *  Takes palette entries `from' to `to', their 6-bit components scaled to
 *  8 bits as everywhere in the library. They show from the next picture.
 */
static void web_set_palette(AL_CONST RGB *p, int from, int to, int retracesync)
{
   int i;

   for (i = from; i <= to; i++) {
      web_palette[i] = WEB_ALPHA
                     | ((uint32_t)_rgb_scale_6[p[i].b] << 16)
                     | ((uint32_t)_rgb_scale_6[p[i].g] << 8)
                     | (uint32_t)_rgb_scale_6[p[i].r];
   }
}
