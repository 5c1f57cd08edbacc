# The arm64 build, cross-compiled (cmake/aarch64-linux-gnu.cmake): the demo
# from the same sources and platform files as on this machine, its Debian
# package for arm64, blobs_<version>_arm64.deb, and their tests, labelled
# arm64, with the program run under the emulator, qemu-aarch64, in a
# private X server. Included from the top-level CMakeLists once the
# program's target is known.

# The tests want what scripts/install-deps.sh --test installs, Xvfb among
# it, and the emulator.
blobs_optional(BLOBS_TESTS Xvfb "tests under ${CMAKE_CROSSCOMPILING_EMULATOR}" PROGRAM)
if(BLOBS_TESTS_ENABLED)
  find_program(BLOBS_EMULATOR ${CMAKE_CROSSCOMPILING_EMULATOR} REQUIRED)
  enable_testing()
  # The frame tool and the pacing test's watch of the frames, built for this
  # machine.
  set(BLOBS_NATIVE_FRAME_TIMES ON)
  include(${PROJECT_SOURCE_DIR}/cmake/native-tools.cmake)
endif()

# What is installed, the package, and the package's checks.
include(${PROJECT_SOURCE_DIR}/packaging/Packaging.cmake)

# The demo's start-up work, composing and stretch timed under the emulator,
# beside the same program built natively (bench/web/compose_measure.cpp),
# for docs/performance.md.
add_subdirectory(bench/web)

if(NOT BLOBS_TESTS_ENABLED)
  return()
endif()

# The window tests of what the program does on any processor, each with an
# X server of its own: frames equal to those composed natively, in a 640x480
# window that presents itself as the menu entry's; paced by Present at the
# display's 60 Hz, and faster with Tab held; Escape; the quit signals; and no
# display.
set(window ${PROJECT_SOURCE_DIR}/tests/window)
# libfaketime slows the clocks of the frame test's demo: its arm64 build,
# preloaded by the emulated program's own loader, which the emulator hands
# its environment. This machine's build would be preloaded by the emulator
# itself only where that is linked dynamically (Debian 12's qemu-user, not
# Debian 13's, which is static).
find_file(BLOBS_ARM64_FAKETIME libfaketimeMT.so.1
          PATHS /usr/lib/aarch64-linux-gnu/faketime
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
add_test(NAME window_frame
         COMMAND ${window}/frame.sh $<TARGET_FILE:blobs> ${BLOBS_FRAMES_TOOL} ${BLOBS_ARM64_FAKETIME})
# No module to preload into the emulated program: only Present's pacing.
add_test(NAME window_pacing
         COMMAND ${window}/pacing.sh $<TARGET_FILE:blobs> ${BLOBS_FRAMES_TOOL} "" ${BLOBS_FRAME_TIMES_TOOL})
add_test(NAME window_escape COMMAND ${window}/escape.sh $<TARGET_FILE:blobs> ${BLOBS_FRAMES_TOOL})
add_test(NAME window_signals COMMAND ${window}/signals.sh $<TARGET_FILE:blobs> ${BLOBS_FRAMES_TOOL})
set(window_tests window_frame window_pacing window_escape window_signals)
set_tests_properties(${window_tests} PROPERTIES
                     LABELS window TIMEOUT 300 RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
add_test(NAME no_display COMMAND ${PROJECT_SOURCE_DIR}/tests/no_display.sh $<TARGET_FILE:blobs>)

# Every test here is an arm64 one, and starts the program through the
# emulator.
get_property(tests DIRECTORY PROPERTY TESTS)
set_property(TEST ${tests} APPEND PROPERTY LABELS arm64)
set_property(TEST ${tests} PROPERTY ENVIRONMENT "BLOBS_LAUNCHER=${BLOBS_EMULATOR}")
