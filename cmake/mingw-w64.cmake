# Cross-building for 64-bit Windows on Debian, with mingw-w64's compilers
# in their win32 thread model (g++-mingw-w64-x86-64 sets that as the
# default); Wine runs what they build.
#
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64.cmake \
#         -DBLOBS_ALLEGRO_SOURCE=<path or URL of allegro-4.4.3.1.tar.gz>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BLOBS_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BLOBS_MINGW}-gcc)
set(CMAKE_CXX_COMPILER ${BLOBS_MINGW}-g++)
set(CMAKE_RC_COMPILER ${BLOBS_MINGW}-windres)

# Headers and libraries from the cross environment only; programs (the
# build's own tools) from the machine that builds.
set(CMAKE_FIND_ROOT_PATH /usr/${BLOBS_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
