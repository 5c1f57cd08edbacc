# The graphics library for the Windows and the web builds, compiled from its
# own source release: Debian ships neither a Windows nor a WebAssembly build
# of it. The tarball is given with -DBLOBS_ALLEGRO_SOURCE, a path (from the
# source folder, when relative) or a URL; configure stops unless it is the
# 4.4.3.1 release, byte for byte, which Debian's allegro4.4 source package
# carries too (allegro4.4_4.4.3.1.orig.tar.gz, from `apt-get source
# allegro4.4`). The build unpacks it, applies the platform's patches in
# allegro/patches/ and builds the static library with the cross compilers,
# for the web with the port in allegro/web, as the imported target
# blobs_allegro; BLOBS_ALLEGRO_LICENCE names its licence, taken from the
# tarball.

set(ALLEGRO_RELEASE 4.4.3.1)
set(ALLEGRO_SHA256 ec19dbc9a021244582b4819b3583ee594b50141f9fcf6944a4ed8069cbf8d4d4)
set(BLOBS_ALLEGRO_SOURCE "" CACHE STRING
    "The graphics library's ${ALLEGRO_RELEASE} source release, allegro-${ALLEGRO_RELEASE}.tar.gz: a path or a URL")

if(WIN32)
  set(allegro_platform windows)
  set(allegro_build "the Windows build")
else()
  set(allegro_platform web)
  set(allegro_build "the web build")
endif()

set(wanted "give -DBLOBS_ALLEGRO_SOURCE=<path or URL of allegro-${ALLEGRO_RELEASE}.tar.gz>, the library's ${ALLEGRO_RELEASE} source release (SHA-256 ${ALLEGRO_SHA256}; Debian's allegro4.4_${ALLEGRO_RELEASE}.orig.tar.gz is the same file)")
if(BLOBS_ALLEGRO_SOURCE STREQUAL "")
  message(FATAL_ERROR "blobs: ${allegro_build} compiles the graphics library from its source: ${wanted}")
endif()
if(BLOBS_ALLEGRO_SOURCE MATCHES "^[a-z]+://")
  set(allegro_tarball ${CMAKE_BINARY_DIR}/allegro-${ALLEGRO_RELEASE}.tar.gz)
  file(DOWNLOAD ${BLOBS_ALLEGRO_SOURCE} ${allegro_tarball} STATUS status)
  list(GET status 0 failed)
  if(failed)
    list(GET status 1 reason)
    message(FATAL_ERROR "blobs: could not download ${BLOBS_ALLEGRO_SOURCE} (${reason}): ${wanted}")
  endif()
else()
  get_filename_component(allegro_tarball ${BLOBS_ALLEGRO_SOURCE} ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
  if(NOT EXISTS ${allegro_tarball} OR IS_DIRECTORY ${allegro_tarball})
    message(FATAL_ERROR "blobs: there is no file ${allegro_tarball}: ${wanted}")
  endif()
endif()
file(SHA256 ${allegro_tarball} sha256)
if(NOT sha256 STREQUAL ALLEGRO_SHA256)
  message(FATAL_ERROR "blobs: ${BLOBS_ALLEGRO_SOURCE} is not the library's ${ALLEGRO_RELEASE} release (its SHA-256 is ${sha256}): ${wanted}")
endif()
message(STATUS "blobs: the graphics library from ${allegro_tarball}")

# Its licence, which the download carries, read from the tarball now.
set(allegro_licence allegro-${ALLEGRO_RELEASE}/docs/txt/license.txt)
file(ARCHIVE_EXTRACT INPUT ${allegro_tarball} DESTINATION ${CMAKE_BINARY_DIR}/allegro-licence
     PATTERNS ${allegro_licence})
set(BLOBS_ALLEGRO_LICENCE ${CMAKE_BINARY_DIR}/allegro-licence/${allegro_licence})

# Every patch of the platform's, in the order of its name, each with its
# reason at its head.
find_program(BLOBS_PATCH patch REQUIRED)
file(GLOB allegro_patches ${PROJECT_SOURCE_DIR}/allegro/patches/${allegro_platform}/*.patch)
list(SORT allegro_patches)
set(apply_patches "")
foreach(p IN LISTS allegro_patches)
  list(APPEND apply_patches COMMAND ${BLOBS_PATCH} -p1 --batch --quiet -i ${p})
endforeach()

# For the web, the port's drivers, built into the library, which is the Unix
# port with none of its own display, console or sound drivers, and nothing
# it would load at run time. CMake finds no librt for wasm32, where the C
# library has what librt holds elsewhere. The port's files are the
# project's, and are built again when they change.
if(allegro_platform STREQUAL "web")
  set(allegro_web_port ${PROJECT_SOURCE_DIR}/allegro/web)
  set(allegro_platform_args
    -DALLEGRO_WEB_PORT=${allegro_web_port}
    -DWANT_X11=OFF -DWANT_LINUX_CONSOLE=OFF -DWANT_MODULES=OFF
    -DWANT_OSS=OFF -DWANT_ALSA=OFF -DWANT_JACK=OFF -DWANT_SGIAUDIO=OFF
    -DRT_LIBRARY=c)
  set(allegro_always ON)
  # Debian's emscripten runs its JavaScript tools with the machine's node,
  # which looks for their modules where Debian's own node does (as for the
  # demo's link, packaging/web/Web.cmake): the library's configure checks
  # link programs too, and under a sanitizer those links use them.
  set(allegro_cmake ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs ${CMAKE_COMMAND})
else()
  set(allegro_platform_args "")
  set(allegro_always OFF)
  set(allegro_cmake ${CMAKE_COMMAND})
endif()

# Only the library itself: no shared library, examples, tools, tests or
# add-ons (its documentation is never built when cross-compiling). Its
# paths are mapped out of what it compiles, as the demo's are, so that the
# program comes out the same in any folder.
include(ExternalProject)
set(allegro_prefix ${CMAKE_BINARY_DIR}/allegro)
set(allegro_flags "-ffile-prefix-map=${allegro_prefix}=allegro -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.")
# Under a sanitizer the library is checked too: the web port is built into it.
if(BLOBS_SANITIZE STREQUAL "address")
  string(APPEND allegro_flags " -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer")
endif()
ExternalProject_Add(allegro_library
  PREFIX ${allegro_prefix}
  URL ${allegro_tarball}
  URL_HASH SHA256=${ALLEGRO_SHA256}
  DOWNLOAD_EXTRACT_TIMESTAMP OFF
  PATCH_COMMAND ${apply_patches}
  CMAKE_COMMAND ${allegro_cmake}
  # The library asks for CMake 2.6, which CMake 4 no longer goes back to
  # unless told the oldest it may (3.5); older CMakes do not read the
  # setting, and are told not to mention it.
  CMAKE_ARGS
    --no-warn-unused-cli -DCMAKE_POLICY_VERSION_MINIMUM=3.5
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DCMAKE_C_FLAGS=${allegro_flags}
    -DSHARED=OFF
    -DWANT_EXAMPLES=OFF -DWANT_TOOLS=OFF -DWANT_TESTS=OFF -DWANT_DOCS=OFF
    -DWANT_ALLEGROGL=OFF -DWANT_LOADPNG=OFF -DWANT_LOGG=OFF -DWANT_JPGALLEG=OFF
    ${allegro_platform_args}
  BUILD_ALWAYS ${allegro_always}
  BUILD_BYPRODUCTS <INSTALL_DIR>/lib/liballeg.a)

# A patch changed takes the source out of its tarball again, to patch it
# afresh.
ExternalProject_Add_StepDependencies(allegro_library download ${allegro_patches})

ExternalProject_Get_Property(allegro_library INSTALL_DIR)
file(MAKE_DIRECTORY ${INSTALL_DIR}/include)
add_library(blobs_allegro STATIC IMPORTED GLOBAL)
set_target_properties(blobs_allegro PROPERTIES
  IMPORTED_LOCATION ${INSTALL_DIR}/lib/liballeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${INSTALL_DIR}/include
  INTERFACE_COMPILE_DEFINITIONS ALLEGRO_STATICLINK)
if(WIN32)
  # What the static library calls in Windows: its own CMake's list.
  set_target_properties(blobs_allegro PROPERTIES INTERFACE_LINK_LIBRARIES
    "kernel32;user32;gdi32;comdlg32;ole32;dinput;ddraw;dxguid;winmm;dsound")
endif()
add_dependencies(blobs_allegro allegro_library)
