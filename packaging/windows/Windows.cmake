# The Windows build, cross-compiled (cmake/mingw-w64.cmake): blobs.exe with
# its resources, the download `cpack -G ZIP` makes of it, and its tests
# under Wine. Included from the top-level CMakeLists once the program's
# target is known.
#
# blobs.exe links everything in: the graphics library, built from its source
# (cmake/allegro-source.cmake), and the compilers' C and C++ runtimes, so
# that it imports only Windows' own DLLs and runs from wherever it is
# unpacked.

enable_language(RC)
set(windows_dir ${CMAKE_CURRENT_LIST_DIR})
set(generated_dir ${CMAKE_BINARY_DIR}/packaging)

# ---- The program

include(${PROJECT_SOURCE_DIR}/packaging/release.cmake)
set(BLOBS_ICO ${PROJECT_SOURCE_DIR}/packaging/icons/windows/blobs.ico)
set(BLOBS_MANIFEST ${windows_dir}/blobs.exe.manifest)
configure_file(${windows_dir}/blobs.rc.in ${generated_dir}/blobs.rc @ONLY)
target_sources(blobs PRIVATE ${generated_dir}/blobs.rc)
set_property(SOURCE ${generated_dir}/blobs.rc APPEND PROPERTY OBJECT_DEPENDS
             ${BLOBS_ICO} ${BLOBS_MANIFEST})

# Statically linked, and the same bytes from the same source whenever it is
# built: no time stamp in the PE header.
target_link_options(blobs PRIVATE -static -Wl,--no-insert-timestamp)

# ---- The download: blobs-<version>-win64.zip, made by `cpack -G ZIP`

# Its texts with Windows' line ends, for the editor a user opens them in.
function(blobs_windows_text from to)
  file(READ ${from} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${to} "${text}")
endfunction()

# The licences of what blobs.exe links in besides the library: the GCC
# runtime (libgcc, libstdc++, libssp), under the GPL with the GCC Runtime
# Library Exception, and mingw-w64's C runtime, as Debian's packages of the
# cross compilers state them.
set(runtime_licences
  gcc-runtime /usr/share/doc/gcc-mingw-w64-base/copyright
  GPL-3 /usr/share/common-licenses/GPL-3
  mingw-w64-runtime /usr/share/doc/mingw-w64-x86-64-dev/copyright)

set(zip_dir ${generated_dir}/zip)
configure_file(${windows_dir}/README.txt.in ${zip_dir}/README.in @ONLY)
blobs_windows_text(${zip_dir}/README.in ${zip_dir}/README.txt)
blobs_windows_text(${PROJECT_SOURCE_DIR}/LICENSE ${zip_dir}/LICENSE.txt)
blobs_windows_text(${BLOBS_ALLEGRO_LICENCE} ${zip_dir}/licenses/allegro.txt)
set(licences ${zip_dir}/licenses/allegro.txt)
while(runtime_licences)
  list(POP_FRONT runtime_licences name file)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "blobs: ${file}, the licence of what blobs.exe links in, is missing: "
                        "the Windows build takes it from Debian's mingw-w64 packages")
  endif()
  blobs_windows_text(${file} ${zip_dir}/licenses/${name}.txt)
  list(APPEND licences ${zip_dir}/licenses/${name}.txt)
endwhile()

set(BLOBS_COMPONENT blobs)
install(TARGETS blobs RUNTIME DESTINATION . COMPONENT ${BLOBS_COMPONENT})
install(FILES ${zip_dir}/README.txt ${zip_dir}/LICENSE.txt DESTINATION . COMPONENT ${BLOBS_COMPONENT})
install(FILES ${licences} DESTINATION licenses COMPONENT ${BLOBS_COMPONENT})

set(CPACK_STRIP_FILES ON)
set(BLOBS_ZIP_PLATFORM win64)
include(${PROJECT_SOURCE_DIR}/packaging/zip.cmake)

# ---- Tests, run under Wine in a private X server, and checks of the files

blobs_optional(BLOBS_TESTS wine "tests under Wine" PROGRAM)
if(NOT BLOBS_TESTS_ENABLED)
  return()
endif()
enable_testing()

include(${PROJECT_SOURCE_DIR}/cmake/native-tools.cmake)

set(window_tests ${PROJECT_SOURCE_DIR}/tests/window)
set(checks ${windows_dir}/tests)
set(wine_prefix ${CMAKE_BINARY_DIR}/wine-prefix)

add_test(NAME windows_prefix COMMAND ${window_tests}/wine_prefix.sh ${wine_prefix})
# The bare run has libfaketime preloaded into Wine, a program of this
# machine, to jump its clocks.
find_file(BLOBS_HOST_FAKETIME libfaketimeMT.so.1
          PATHS /usr/lib/${CMAKE_HOST_SYSTEM_PROCESSOR}-linux-gnu/faketime
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
add_test(NAME windows_bare
         COMMAND ${window_tests}/wine.sh $<TARGET_FILE:blobs> ${BLOBS_FRAMES_TOOL} ${wine_prefix}
                 --clock ${BLOBS_HOST_FAKETIME})
add_test(NAME windows_openbox
         COMMAND ${window_tests}/wine.sh $<TARGET_FILE:blobs> ${BLOBS_FRAMES_TOOL} ${wine_prefix} --wm)
add_test(NAME windows_failure
         COMMAND ${window_tests}/wine_failure.sh $<TARGET_FILE:blobs> ${BLOBS_FRAMES_TOOL} ${wine_prefix})
add_test(NAME windows_exe
         COMMAND ${checks}/exe.sh $<TARGET_FILE:blobs> ${PROJECT_VERSION} ${PROJECT_SOURCE_DIR}/packaging/icons
                 ${CMAKE_OBJDUMP} ${CMAKE_NM} ${CMAKE_RC_COMPILER})
add_test(NAME windows_zip
         COMMAND ${PROJECT_SOURCE_DIR}/packaging/tests/zip.sh ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}
                 ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/zip-check win64 ${BLOBS_RELEASE_EPOCH} ${CMAKE_STRIP})
add_test(NAME windows_configure COMMAND ${checks}/configure.sh ${CMAKE_COMMAND} ${PROJECT_SOURCE_DIR})
# Two clean clones of the last commit, each built and zipped.
add_test(NAME windows_reproducible
         COMMAND ${PROJECT_SOURCE_DIR}/packaging/tests/reproducible.sh ${CMAKE_COMMAND}
                 ${CMAKE_CPACK_COMMAND} ${PROJECT_SOURCE_DIR} --windows ${allegro_tarball})

set(wine_tests windows_bare windows_openbox windows_failure)
set_tests_properties(windows_prefix windows_exe windows_zip windows_configure windows_reproducible
                     ${wine_tests}
                     PROPERTIES LABELS windows)
set_tests_properties(windows_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 120)
# Each with an X server of its own, alone on the cores while rates are measured.
set_tests_properties(${wine_tests} PROPERTIES
                     FIXTURES_REQUIRED wine_prefix TIMEOUT 180 RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
set_tests_properties(windows_reproducible PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
