/*
 *      The web port's files: a page has none.
 *
 *      The library looks for its configuration and language files as it
 *      starts (allegro.cfg, and the like). The program is built without the
 *      runtime's file system, whose calls for files would then claim to
 *      succeed, or, with the runtime's assertions on, stop the program. The
 *      library asks its platform, through _al_file_isok(), before it looks
 *      at or opens any file by its name (file_exists(), file_size_ex(),
 *      file_time(), delete_file(), for_each_file_ex(), pack_fopen()): here
 *      the answer is always no such file, as on a system where none was
 *      installed, and the library goes on with its defaults without ever
 *      calling the runtime. The Unix port's own answer, which lets every
 *      file through, is left out of the web build (the patch), so that a
 *      build without this one fails to link rather than reach the runtime.
 */

#include <errno.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"


/* _al_file_isok:
 *  No file of any name may be touched: there is none.
 */
int _al_file_isok(AL_CONST char *filename)
{
   *allegro_errno = ENOENT;
   return FALSE;
}
