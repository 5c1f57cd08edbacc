# The cross builds' tests (Windows, the web, arm64) compare what their
# program shows with frames composed by the demo's own code built for this
# machine: its frame tool, built here with the machine's own compiler and
# library, with the native demo beside it. Sets BLOBS_FRAMES_TOOL to the
# frame tool. With BLOBS_NATIVE_FRAME_TIMES on, the native build also makes
# frame_times, the window tests' watch of a window's frames, which comes
# with its tests, and BLOBS_FRAME_TIMES_TOOL names it.

include(ExternalProject)
set(native_dir ${CMAKE_BINARY_DIR}/native)
set(native_tests OFF)
set(native_build "")
if(BLOBS_NATIVE_FRAME_TIMES)
  set(native_tests ON)
  set(native_build BUILD_COMMAND ${CMAKE_COMMAND} --build ${native_dir} --target blobs-frames frame_times)
  set(BLOBS_FRAME_TIMES_TOOL ${native_dir}/tests/frame_times)
endif()
ExternalProject_Add(native_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${native_dir}
  CMAKE_ARGS -DBLOBS_TESTS=${native_tests} -DBLOBS_BENCH=OFF -DBLOBS_WERROR=${BLOBS_WERROR}
  ${native_build}
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")
set(BLOBS_FRAMES_TOOL ${native_dir}/blobs-frames)
