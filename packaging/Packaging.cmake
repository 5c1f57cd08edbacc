# Installs the demo as a desktop program and makes its Debian package.
#
# Everything a user needs goes in the install component "blobs", and nothing
# else does: the executable, its manual page, its menu entry and icons, and
# the copyright and changelog files Debian asks for. `cmake --install`
# places them under its prefix through GNUInstallDirs; CPack (`cpack -G DEB`
# in the build folder) packs that same component into
# blobs_<version>_<arch>.deb, with the dependencies dpkg-shlibdeps finds in
# what the executable links. The tools, tests and benchmarks have no install
# rules and stay out.
#
# The version comes from project() alone: the package, the manual page and
# the changelog take it from there. Included from the top-level CMakeLists
# once the targets and the test options are known, and the frame tool the
# checks use (BLOBS_FRAMES_TOOL); in a cross build (arm64) from
# packaging/arm64/Arm64.cmake, for the architecture built for.

include(GNUInstallDirs)

set(BLOBS_COMPONENT blobs)
set(BLOBS_MAINTAINER "The Blobs developers <blobs@example.org>")
set(packaging_dir ${CMAKE_CURRENT_LIST_DIR})
set(generated_dir ${CMAKE_BINARY_DIR}/packaging)

# Debian wants manual pages and changelogs compressed, and the same input to
# give the same bytes: gzip -9n leaves out the name and time stamp.
find_program(BLOBS_GZIP gzip REQUIRED)
function(blobs_gzip file)
  execute_process(COMMAND ${BLOBS_GZIP} -9n -c ${file}
                  OUTPUT_FILE ${file}.gz RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "blobs: gzip could not compress ${file}")
  endif()
endfunction()

# ---- What is installed

install(TARGETS blobs RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${BLOBS_COMPONENT})
# Stripped, it also loses what Debian's dh_strip takes out of an executable
# besides the symbols: the compilers' names and versions (.comment) and any
# .note section.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/blobs\"
                  COMMAND_ERROR_IS_FATAL ANY)
endif()" COMPONENT ${BLOBS_COMPONENT})

configure_file(${packaging_dir}/blobs.6.in ${generated_dir}/blobs.6 @ONLY)
blobs_gzip(${generated_dir}/blobs.6)
install(FILES ${generated_dir}/blobs.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT ${BLOBS_COMPONENT})

install(FILES ${packaging_dir}/blobs.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications COMPONENT ${BLOBS_COMPONENT})

# Every size that packaging/make-icon.sh made for the menu, as
# icons/SIZE/blobs.png (icons/windows/ holds the Windows program's).
file(GLOB icon_sizes RELATIVE ${packaging_dir}/icons ${packaging_dir}/icons/[0-9]*x[0-9]*)
foreach(size IN LISTS icon_sizes)
  install(FILES ${packaging_dir}/icons/${size}/blobs.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}/apps
          COMPONENT ${BLOBS_COMPONENT})
endforeach()

# The copyright file in Debian's machine-readable format, carrying LICENSE:
# its copyright line, and its text indented by one space with a lone "."
# for each empty line.
include(${packaging_dir}/release.cmake)
string(FIND "${license}" "Permission" text_start)
string(SUBSTRING "${license}" ${text_start} -1 license_text)
string(STRIP "${license_text}" license_text)
string(REPLACE "\n\n" "\n.\n" license_text "${license_text}")
string(REPLACE "\n" "\n " license_text "${license_text}")
set(BLOBS_LICENSE_TEXT " ${license_text}")
configure_file(${packaging_dir}/copyright.in ${generated_dir}/copyright @ONLY)

configure_file(${packaging_dir}/changelog.in ${generated_dir}/changelog @ONLY)
blobs_gzip(${generated_dir}/changelog)

install(FILES ${generated_dir}/copyright ${generated_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT ${BLOBS_COMPONENT})

# ---- The Debian package

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME blobs)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${BLOBS_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "soft lights weave and merge over a dim glow")
set(CPACK_PACKAGE_DESCRIPTION
"Sixty-four soft circular lights weave over a dim radial glow in a 640x480
window. Where lights overlap their brightness adds up, to a ceiling, and a
palette ramp turns brightness into colour: black, blue, cyan, near white.

Escape ends the demo; holding Tab lets it run as fast as the machine allows.
It runs in 8-bit palette mode on the Allegro 4 library and needs an X display.")
# Only the user's component, whatever else may gain install rules later.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};${BLOBS_COMPONENT};/")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The architecture in Debian's name: this machine's, or in a cross build the
# one its compiler builds for (arm64 for aarch64-linux-gnu). dpkg-shlibdeps
# finds the libraries of either where multiarch installs them, and the
# packages they came from.
if(CMAKE_CROSSCOMPILING)
  execute_process(COMMAND dpkg-architecture -t ${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
                  OUTPUT_VARIABLE BLOBS_DEB_ARCH ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
else()
  execute_process(COMMAND dpkg --print-architecture
                  OUTPUT_VARIABLE BLOBS_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
if(NOT BLOBS_DEB_ARCH)
  message(FATAL_ERROR "blobs: no Debian architecture for ${CMAKE_LIBRARY_ARCHITECTURE} "
                      "(dpkg-architecture is in dpkg-dev)")
endif()
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${BLOBS_DEB_ARCH})
# A graphics program in /usr/bin: Debian's "games" section would want it in
# /usr/games instead.
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# The same sources make the same package, byte for byte, in any folder, at
# any time, under any umask and locale: its dates are the changelog's unless
# the caller sets SOURCE_DATE_EPOCH, and its ar members' modes are fixed
# after CPack has written them. The executable's paths are mapped at
# compile time (CMakeLists.txt), and every installed file and folder has a
# mode of its own.
set(CPACK_BLOBS_RELEASE_EPOCH ${BLOBS_RELEASE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${packaging_dir}/cpack-date.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${packaging_dir}/ar-modes.cmake)

include(CPack)

# ---- Checks of the package and the files it carries, in the plain build
# only: they start the installed executable, which the sanitizer builds
# would pack under their sanitizer.

if(BLOBS_TESTS_ENABLED AND BLOBS_SANITIZE STREQUAL "")
  set(checks ${packaging_dir}/tests)
  set(deb_dir ${generated_dir}/check)

  # The icons and texts are the same for every architecture: checked in the
  # machine's own build.
  if(NOT CMAKE_CROSSCOMPILING)
    add_test(NAME package_icon COMMAND ${checks}/icon.sh ${BLOBS_FRAMES_TOOL})
    add_test(NAME package_texts
             COMMAND ${checks}/texts.sh ${generated_dir}/blobs.6.gz ${packaging_dir}/blobs.desktop)
    set_tests_properties(package_icon package_texts PROPERTIES LABELS package)
  endif()

  # Makes the package, unpacks it, and installs beside it with cmake, for
  # the checks that follow.
  add_test(NAME package_build
           COMMAND ${checks}/build.sh ${CMAKE_COMMAND} ${CMAKE_CPACK_COMMAND}
                   ${CMAKE_BINARY_DIR} ${deb_dir})
  add_test(NAME package_contents
           COMMAND ${checks}/contents.sh ${deb_dir} ${PROJECT_VERSION} ${BLOBS_DEB_ARCH}
                   ${packaging_dir}/icons ${PROJECT_SOURCE_DIR}/LICENSE)
  add_test(NAME package_lintian COMMAND ${checks}/lintian.sh ${deb_dir} ${CMAKE_OBJDUMP})
  add_test(NAME package_run
           COMMAND ${checks}/run.sh ${deb_dir}/root/usr/bin/blobs ${BLOBS_FRAMES_TOOL})
  # Two clean clones of the last commit, each built and packaged; cross-built
  # with the same toolchain file.
  if(CMAKE_CROSSCOMPILING)
    file(RELATIVE_PATH toolchain ${PROJECT_SOURCE_DIR} ${CMAKE_TOOLCHAIN_FILE})
    set(cross --toolchain ${toolchain})
  endif()
  add_test(NAME package_reproducible
           COMMAND ${checks}/reproducible.sh ${CMAKE_COMMAND} ${CMAKE_CPACK_COMMAND}
                   ${PROJECT_SOURCE_DIR} ${cross})

  set_tests_properties(package_build package_contents package_lintian package_run
                       package_reproducible PROPERTIES LABELS package)
  set_tests_properties(package_reproducible PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
  set_tests_properties(package_build PROPERTIES FIXTURES_SETUP blobs_deb)
  set_tests_properties(package_contents package_lintian package_run PROPERTIES
                       FIXTURES_REQUIRED blobs_deb)
  # Like the window tests: an X server of its own, alone on the cores.
  set_tests_properties(package_run PROPERTIES
                       LABELS "package;window" TIMEOUT 180 RUN_SERIAL TRUE)
endif()
