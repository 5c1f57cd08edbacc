# Cross-building for 64-bit ARM Linux (arm64: a Raspberry Pi's Debian, and
# any other arm64 Debian) with Debian's cross compilers and the arm64
# libraries installed beside this machine's own (multiarch); qemu runs what
# they build. scripts/install-deps.sh --arm64 installs all of it.
#
#   cmake -S . -B build-arm64 --toolchain cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(BLOBS_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${BLOBS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${BLOBS_TRIPLET}-g++)
# Libraries from /usr/lib/aarch64-linux-gnu, not from this machine's folder.
set(CMAKE_LIBRARY_ARCHITECTURE ${BLOBS_TRIPLET})
# The tests start the programs built here through this.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)

# pkg-config reads the arm64 libraries' .pc files only. The graphics
# library's -dev package cannot be installed beside this machine's, so
# install-deps.sh unpacks it into a folder of its own, whose allegro.pc
# names its headers there and the arm64 run-time library.
set(BLOBS_ALLEGRO_ARM64_DEV /opt/liballegro4-dev-arm64 CACHE PATH
    "Where liballegro4-dev:arm64 is unpacked (scripts/install-deps.sh --arm64)")
set(ENV{PKG_CONFIG_LIBDIR}
    "${BLOBS_ALLEGRO_ARM64_DEV}/usr/lib/${BLOBS_TRIPLET}/pkgconfig:/usr/lib/${BLOBS_TRIPLET}/pkgconfig:/usr/share/pkgconfig")
# The programs load their libraries from where multiarch installs them, in
# the build folder as once installed: no run path to the unpacked -dev files.
set(CMAKE_SKIP_BUILD_RPATH ON)
