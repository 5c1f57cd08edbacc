# The cross builds' tests (Windows, the web) compare what their program shows
# with frames composed by the demo's own code built for this machine: its
# frame tool, built here with the machine's own compiler and library, with
# the native demo beside it. Sets BLOBS_FRAMES_TOOL to the frame tool.

include(ExternalProject)
set(native_dir ${CMAKE_BINARY_DIR}/native)
ExternalProject_Add(native_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${native_dir}
  CMAKE_ARGS -DBLOBS_TESTS=OFF -DBLOBS_BENCH=OFF -DBLOBS_WERROR=${BLOBS_WERROR}
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")
set(BLOBS_FRAMES_TOOL ${native_dir}/blobs-frames)
