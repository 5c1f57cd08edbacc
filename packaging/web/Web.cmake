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
# frame loop, the library's rest() and vsync(), and the port's waits. The
# optimiser puts some of them into their callers, and wasm-opt then warns
# that the list names a function it does not find: those are covered.
set(web_link_options
  -sASYNCIFY
  -sASYNCIFY_ONLY=@${web_dir}/asyncify.txt
  # Escape ends the program: main returns, the library's exit handler runs
  # and the page is told.
  -sEXIT_RUNTIME
  -sENVIRONMENT=web
  # No files: the program reads none.
  -sFILESYSTEM=0)
set_target_properties(blobs PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${site_dir})
target_link_options(blobs PRIVATE ${web_link_options})
# Debian's emscripten runs its JavaScript tools with the machine's node, and
# their modules (acorn) are where Debian's own node looks for them; another
# node is pointed there.
set_target_properties(blobs PROPERTIES CXX_LINKER_LAUNCHER
  "${CMAKE_COMMAND};-E;env;NODE_PATH=/usr/share/nodejs")

# ---- The page

configure_file(${web_dir}/index.html ${site_dir}/index.html COPYONLY)
# The page's icon is the menu's.
configure_file(${PROJECT_SOURCE_DIR}/packaging/icons/48x48/blobs.png ${site_dir}/blobs.png COPYONLY)
add_subdirectory(${PROJECT_SOURCE_DIR}/bench/web ${CMAKE_BINARY_DIR}/bench-web)
