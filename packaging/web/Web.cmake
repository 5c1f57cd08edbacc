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
# it, so that the frame's own work runs at full speed, and the port's
# functions in JavaScript that put the program aside are named as such. The
# list names them as the optimiser sees them when it instruments them: in
# an optimised build it has put the frame loop, the library's rest() and
# vsync() and the port's waits into main, and only the drivers' methods,
# which the library calls through pointers, are left as functions of their
# own (asyncify.txt); unoptimised, each is still there
# (asyncify-unoptimised.txt). check-asyncify.sh runs the link and fails it
# when the optimiser's report shows a function that can be on the stack
# during a wait left out, or a listed name that it does not have.
set(web_asyncify_imports _web_page_turn _web_page_sleep _web_wait_retrace _web_wait_clock)
list(JOIN web_asyncify_imports , web_asyncify_imports)
# main, where every wait starts, and the library's functions that call the
# drivers' waits through pointers, which the optimiser's report cannot
# follow.
set(web_asyncify_holders "main vsync rest rest_callback")
if(CMAKE_BUILD_TYPE STREQUAL "Debug")
  set(web_asyncify_list ${web_dir}/asyncify-unoptimised.txt)
else()
  set(web_asyncify_list ${web_dir}/asyncify.txt)
endif()
# The oldest Firefox that runs the site: the one that the toolchain writes
# its runtime's JavaScript for by default (65 for Emscripten 3.1.6; 79 for
# 3.1.69, which cannot write for an older one without Babel, which Debian's
# package lacks), and never one before the page's own script's 65. The link
# is held to it, and the page names it to a browser too old for the demo.
file(STRINGS ${EMSCRIPTEN_ROOT_PATH}/src/settings.js web_firefox REGEX "^var MIN_FIREFOX_VERSION = [0-9]+;$")
string(REGEX MATCH "[0-9]+" web_firefox "${web_firefox}")
if(NOT web_firefox)
  message(FATAL_ERROR "blobs: ${EMSCRIPTEN_ROOT_PATH}/src/settings.js names no MIN_FIREFOX_VERSION")
elseif(web_firefox LESS 65)
  set(web_firefox 65)
endif()
set(web_link_options
  -sMIN_FIREFOX_VERSION=${web_firefox}
  -sASYNCIFY
  -sASYNCIFY_ONLY=@${web_asyncify_list}
  -sASYNCIFY_IMPORTS=${web_asyncify_imports}
  # The optimiser's report, which check-asyncify.sh reads.
  -sASYNCIFY_ADVISE
  # Escape ends the program: main returns, the library's exit handler runs
  # and the page is told.
  -sEXIT_RUNTIME
  -sENVIRONMENT=web
  # No files: the program reads none, and the port tells the library, which
  # looks for its configuration as it starts, that there are none
  # (allegro/web/wfile.c), before it would ask the runtime.
  -sFILESYSTEM=0
  # The canvas takes the picture straight from the program's memory, which
  # therefore never grows: its 16 MiB are far more than the demo uses.
  -sALLOW_MEMORY_GROWTH=0)
if(BLOBS_SANITIZE STREQUAL "address")
  # AddressSanitizer's shadow and allocator want more than the 75 MiB its
  # build gives the program otherwise.
  list(APPEND web_link_options -sINITIAL_MEMORY=128MB)
endif()
# Under a sanitizer the runtime compiles the program itself (sanitized.js).
if(NOT BLOBS_SANITIZE STREQUAL "")
  list(APPEND web_link_options --pre-js ${web_dir}/sanitized.js)
  set_property(TARGET blobs APPEND PROPERTY LINK_DEPENDS ${web_dir}/sanitized.js)
endif()
# With the compiler's debugging data kept (Debug), Emscripten 3.1.69
# optimises less after the link, as it should, and warns that it does at
# every link, the measuring program's too; 3.1.6, which does not know the
# warning, takes no notice of it at a link.
string(APPEND CMAKE_EXE_LINKER_FLAGS_DEBUG " -Wno-limited-postlink-optimizations")
set_target_properties(blobs PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${site_dir})
target_link_options(blobs PRIVATE ${web_link_options})
set_property(TARGET blobs APPEND PROPERTY LINK_DEPENDS ${web_asyncify_list}
             ${web_dir}/check-asyncify.sh)
# Debian's emscripten runs its JavaScript tools with the machine's node, and
# their modules (acorn) are where Debian's own node looks for them; another
# node is pointed there. The link runs under check-asyncify.sh.
set_target_properties(blobs PROPERTIES CXX_LINKER_LAUNCHER
  "${CMAKE_COMMAND};-E;env;NODE_PATH=/usr/share/nodejs;${web_dir}/check-asyncify.sh;${web_asyncify_imports};${web_asyncify_holders}")

# ---- The page

# The page, its script and style (files of their own, so that the page runs
# under a strict content policy), and what installing it takes: its manifest
# and icons. The page's icon is the menu's.
foreach(file index.html page.css blobs.webmanifest)
  configure_file(${web_dir}/${file} ${site_dir}/${file} COPYONLY)
endforeach()
configure_file(${web_dir}/page.js ${site_dir}/page.js @ONLY)
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
set_tests_properties(web_page PROPERTIES LABELS web TIMEOUT 420 RUN_SERIAL TRUE
                     ENVIRONMENT BLOBS_WEB_FIREFOX=${web_firefox})
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
  set_tests_properties(web_page_${engine} PROPERTIES LABELS web TIMEOUT 420 RUN_SERIAL TRUE
                       ENVIRONMENT BLOBS_WEB_FIREFOX=${web_firefox})
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
