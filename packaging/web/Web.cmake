# The web build (emcmake): the demo compiled to WebAssembly on the library's
# web port, as a static site in site/, the download `cpack -G ZIP` makes of
# it, and its tests in a browser. Included from the top-level CMakeLists once
# the program's target is known.

set(web_dir ${CMAKE_CURRENT_LIST_DIR})
set(site_dir ${CMAKE_BINARY_DIR}/site)

# ---- The program: site/blobs.js, which loads site/blobs.wasm

# Asyncify lets the program's waits hand the page's one thread back to the
# browser and take up where they were (allegro/web/aintweb.h). Only the
# functions that are on the stack while the page has its turn are built for
# it (asyncify.txt), so that the frame's own work runs at full speed: the
# frame loop, the library's rest() and vsync(), and the port's waits; and
# the port's functions in JavaScript that put the program aside are named
# as such. The optimiser puts some listed functions into their callers
# (listed too), and wasm-opt then warns that the list names a function it
# does not find; so check-asyncify.sh checks the lists before the link,
# against what the objects define, and a name that none defines stops it.
set(web_asyncify_imports _web_page_turn _web_page_sleep _web_wait_retrace _web_wait_clock)
list(JOIN web_asyncify_imports , web_asyncify_imports)
set(web_link_options
  -sASYNCIFY
  -sASYNCIFY_ONLY=@${web_dir}/asyncify.txt
  -sASYNCIFY_IMPORTS=${web_asyncify_imports}
  # Escape ends the program: main returns, the library's exit handler runs
  # and the page is told.
  -sEXIT_RUNTIME
  -sENVIRONMENT=web
  # No files: the program reads none, and the port tells the library, which
  # looks for its configuration as it starts, that there are none.
  -sFILESYSTEM=0
  --js-library=${PROJECT_SOURCE_DIR}/allegro/web/wfile.js
  # The canvas takes the picture straight from the program's memory, which
  # therefore never grows: its 16 MiB are far more than the demo uses.
  -sALLOW_MEMORY_GROWTH=0)
if(BLOBS_SANITIZE STREQUAL "address")
  # AddressSanitizer's shadow and allocator want more than the 75 MiB its
  # build gives the program otherwise.
  list(APPEND web_link_options -sINITIAL_MEMORY=128MB)
endif()
set_target_properties(blobs PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${site_dir})
target_link_options(blobs PRIVATE ${web_link_options})
set_property(TARGET blobs APPEND PROPERTY LINK_DEPENDS ${web_dir}/asyncify.txt
             ${PROJECT_SOURCE_DIR}/allegro/web/wfile.js)
add_custom_command(TARGET blobs PRE_LINK
  COMMAND ${web_dir}/check-asyncify.sh ${CMAKE_NM} ${web_dir}/asyncify.txt ${web_asyncify_imports}
          $<TARGET_OBJECTS:blobs> $<TARGET_FILE:blobs_core> $<TARGET_PROPERTY:blobs_allegro,IMPORTED_LOCATION>
  VERBATIM)
# The port's answer to file lookups replaces the runtime's calls by their
# names: check-file-calls.sh stops the build when the program no longer
# makes one of them.
add_custom_command(TARGET blobs POST_BUILD
  COMMAND ${web_dir}/check-file-calls.sh ${PROJECT_SOURCE_DIR}/allegro/web/wfile.js $<TARGET_FILE:blobs>
  VERBATIM)
# Debian's emscripten runs its JavaScript tools with the machine's node, and
# their modules (acorn) are where Debian's own node looks for them; another
# node is pointed there.
set_target_properties(blobs PROPERTIES CXX_LINKER_LAUNCHER
  "${CMAKE_COMMAND};-E;env;NODE_PATH=/usr/share/nodejs")

# ---- The page

# The page, its script and style (files of their own, so that the page runs
# under a strict content policy), and what installing it takes: its manifest
# and icons. The page's icon is the menu's.
foreach(file index.html page.js page.css blobs.webmanifest)
  configure_file(${web_dir}/${file} ${site_dir}/${file} COPYONLY)
endforeach()
set(icons_dir ${PROJECT_SOURCE_DIR}/packaging/icons)
configure_file(${icons_dir}/48x48/blobs.png ${site_dir}/blobs.png COPYONLY)
configure_file(${icons_dir}/web/blobs-192.png ${site_dir}/blobs-192.png COPYONLY)
configure_file(${icons_dir}/web/blobs-512.png ${site_dir}/blobs-512.png COPYONLY)

# The service worker, which keeps what the page needs for a visit without a
# network, the icons the manifest names among it (an installed page shows
# them offline too), each checked against its SHA-256 as built here, under
# a name made from the contents of every other file of the site; and the
# mark of that name in the page, its script and style and the program
# (offline.py), which tells the worker a file of another build of the demo
# from anything else a host serves. Both are made again whenever the
# program is linked again (blobs.js, which blobs.wasm comes with) or a file
# of the page changes, the files marked where they are.
set(page_files index.html page.js page.css blobs.png blobs.webmanifest blobs-192.png blobs-512.png)
set(offline_files index.html page.js page.css blobs.js blobs.wasm blobs.png blobs.webmanifest
    blobs-192.png blobs-512.png)
list(TRANSFORM page_files PREPEND ${site_dir}/ OUTPUT_VARIABLE page_paths)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT ${site_dir}/sw.js
  COMMAND ${Python3_EXECUTABLE} ${web_dir}/offline.py ${site_dir} ${web_dir}/sw.js.in ${offline_files}
  DEPENDS blobs ${page_paths} ${web_dir}/sw.js.in ${web_dir}/offline.py
  COMMENT "The service worker, named after the site's contents, and their marks"
  VERBATIM)
add_custom_target(site ALL DEPENDS ${site_dir}/sw.js)

# ---- The download: blobs-<version>-web.zip, made by `cpack -G ZIP`

include(${PROJECT_SOURCE_DIR}/packaging/release.cmake)
set(zip_dir ${CMAKE_BINARY_DIR}/packaging/zip)
configure_file(${web_dir}/README.txt.in ${zip_dir}/README.txt @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${zip_dir}/LICENSE.txt COPYONLY)
configure_file(${BLOBS_ALLEGRO_LICENCE} ${zip_dir}/licenses/allegro.txt COPYONLY)
# Emscripten's runtime, which blobs.js is and blobs.wasm holds (its C and
# C++ libraries), as Debian's package of it states its licences.
set(runtime_licence /usr/share/doc/emscripten/copyright)
if(NOT EXISTS ${runtime_licence})
  message(FATAL_ERROR "blobs: ${runtime_licence}, the licence of what blobs.wasm links in, is missing: "
                      "the web build takes it from Debian's emscripten package")
endif()
configure_file(${runtime_licence} ${zip_dir}/licenses/emscripten.txt COPYONLY)

set(BLOBS_COMPONENT blobs)
install(FILES ${page_paths} ${site_dir}/blobs.js ${site_dir}/blobs.wasm ${site_dir}/sw.js
              ${zip_dir}/README.txt ${zip_dir}/LICENSE.txt
        DESTINATION . COMPONENT ${BLOBS_COMPONENT})
install(FILES ${zip_dir}/licenses/allegro.txt ${zip_dir}/licenses/emscripten.txt
        DESTINATION licenses COMPONENT ${BLOBS_COMPONENT})

set(BLOBS_ZIP_PLATFORM web)
include(${PROJECT_SOURCE_DIR}/packaging/zip.cmake)

# ---- The measuring program of scripts/measure-web.sh, for the browser

add_subdirectory(${PROJECT_SOURCE_DIR}/bench/web ${CMAKE_BINARY_DIR}/bench-web)

# ---- Tests, in browsers of three engines, and checks of the files

blobs_optional(BLOBS_TESTS chromedriver "tests in a browser" PROGRAM)
if(NOT BLOBS_TESTS_ENABLED)
  return()
endif()
enable_testing()
include(${PROJECT_SOURCE_DIR}/cmake/native-tools.cmake)

# Under a sanitizer only the program is tested in its page: the page's own
# script (full screen, a phone, its policy, offline) is the same in both
# builds, and the key table, the zip and the build's reproducibility are
# the plain build's to check.
if(BLOBS_SANITIZE STREQUAL "")
  set(web_page_checks "")
else()
  set(web_page_checks --program-only)
endif()
add_test(NAME web_page
         COMMAND ${PROJECT_SOURCE_DIR}/tests/window/web.sh ${site_dir} ${BLOBS_FRAMES_TOOL}
                 ${web_page_checks})
# Alone on the cores while rates are measured; a machine busy with other
# work has stretched a run to four and a half minutes.
set_tests_properties(web_page PROPERTIES LABELS web TIMEOUT 420 RUN_SERIAL TRUE)
if(NOT BLOBS_SANITIZE STREQUAL "")
  return()
endif()
# The page in WebKit (WebKitGTK's MiniBrowser, under Xvfb), and in Gecko
# (Firefox) once its driver is there.
set(web_engines webkit)
if(EXISTS ${PROJECT_SOURCE_DIR}/tests/window/firefox.py)
  list(APPEND web_engines firefox)
endif()
foreach(engine ${web_engines})
  add_test(NAME web_page_${engine}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/window/web.sh ${site_dir} ${BLOBS_FRAMES_TOOL}
                   --engine ${engine})
  set_tests_properties(web_page_${engine} PROPERTIES LABELS web TIMEOUT 420 RUN_SERIAL TRUE)
endforeach()
add_test(NAME web_keys
         COMMAND ${PROJECT_SOURCE_DIR}/tests/web_keys.sh
                 ${INSTALL_DIR}/include/allegro/keyboard.h
                 ${PROJECT_SOURCE_DIR}/allegro/web/wkeybd.c)
add_test(NAME web_zip
         COMMAND ${PROJECT_SOURCE_DIR}/packaging/tests/zip.sh ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}
                 ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/zip-check web)
# Two clean clones of the last commit, each built and zipped.
add_test(NAME web_reproducible
         COMMAND ${PROJECT_SOURCE_DIR}/packaging/tests/reproducible.sh ${CMAKE_COMMAND}
                 ${CMAKE_CPACK_COMMAND} ${PROJECT_SOURCE_DIR} --web ${allegro_tarball})
set_tests_properties(web_keys web_zip web_reproducible PROPERTIES LABELS web)
set_tests_properties(web_reproducible PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900)
