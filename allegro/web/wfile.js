/*
 *      The web port's files: a page has none.
 *
 *      The library looks for its configuration and language files as it
 *      starts (allegro.cfg, and the like). The program is built without the
 *      runtime's file system, whose calls for files would then claim to
 *      succeed, or, with the runtime's assertions on, stop the program. Here
 *      every look for a file finds none, as on a system where none was
 *      installed, and the library goes on with its defaults. Linked into the
 *      program with --js-library.
 */

mergeInto(LibraryManager.library, {
   /* stat(), open() and unlink() of any path: no such file. */
   __syscall_stat64: function(path, buf) {
      return -{{{ cDefine('ENOENT') }}};
   },
   __syscall_open: function(path, flags, varargs) {
      return -{{{ cDefine('ENOENT') }}};
   },
   __syscall_unlink: function(path) {
      return -{{{ cDefine('ENOENT') }}};
   }
});
