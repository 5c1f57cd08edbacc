#!/bin/sh
# Installs the Debian packages the demo needs to build and run, and with
# each option what else a part of the work needs:
#
#   --package   making its Debian package
#   --test      its tests, its package's checks, its benchmarks and
#               scripts/measure-window.sh
#   --windows   cross-building blobs.exe for Windows; with --test as well,
#               running its tests under Wine
#   --web       building the demo's web site (WebAssembly); with --test as
#               well, running its tests in a browser
#
# Uses apt-get as root or through sudo; when it can do neither, it prints the
# one line to run and fails.
set -eu

package=""
test=""
windows=""
web=""
for option in "$@"; do
   case "$option" in
      --package) package=yes ;;
      --test) test=yes ;;
      --windows) windows=yes ;;
      --web) web=yes ;;
      *) echo "usage: install-deps.sh [--package] [--test] [--windows] [--web]" >&2; exit 2 ;;
   esac
done

# XCB's Present extension (libxcb-present-dev) for the display's own retrace.
packages="g++ make cmake pkg-config liballegro4-dev libxcb-present-dev"
if [ -n "$package$test" ]; then
   # CPack finds the executable's dependencies with dpkg-shlibdeps
   # (dpkg-dev), after telling the executable from other files with file.
   packages="$packages dpkg-dev file"
fi
if [ -n "$test" ]; then
   # GoogleTest for the unit tests. The window tests run the demo under a
   # private X server (xvfb), hold keys on it (xdotool), find its windows
   # (xwininfo, in x11-utils), take shots of it (xwd in x11-apps) and
   # convert them (imagemagick), and check it under valgrind; ImageMagick
   # also makes the README's picture and the icons. Google Benchmark builds
   # the benchmarks, and clang, the second compiler, the build under
   # AddressSanitizer. One test counts a user's processes (ps), and one
   # watches the demo's frames through XCB's Damage (libxcb-damage0-dev).
   # The package's checks run lintian on it, hardening-check (in devscripts,
   # the only package that has it) on its blobs, desktop-file-validate on its
   # menu entry and man on its manual page, and show with diffoscope how two
   # builds of it differ. The window's class, process id and icon are read
   # with python3-xlib, and a window manager (openbox) lists it through
   # wmctrl. libfaketime moves and slows the demo's clocks while it runs.
   packages="$packages clang libgtest-dev libbenchmark-dev xvfb xdotool x11-utils x11-apps"
   packages="$packages libxcb-damage0-dev libfaketime"
   packages="$packages imagemagick valgrind procps lintian devscripts diffoscope-minimal"
   packages="$packages desktop-file-utils man-db python3-xlib openbox wmctrl"
fi
if [ -n "$windows" ]; then
   # mingw-w64's compilers for 64-bit Windows, and patch for the library's
   # patches.
   packages="$packages g++-mingw-w64-x86-64 patch"
fi
if [ -n "$windows" ] && [ -n "$test" ]; then
   # Wine runs blobs.exe (wine64, and wine for its commands), and wrestool
   # (in icoutils) reads its icon and manifest.
   packages="$packages wine64 wine icoutils"
fi
if [ -n "$web" ]; then
   # Emscripten compiles the demo and the graphics library to WebAssembly;
   # patch applies the library's patches.
   packages="$packages emscripten patch"
fi
if [ -n "$web" ] && [ -n "$test" ]; then
   # The page's tests run headless Chromium through ChromeDriver, driven by
   # Selenium for Python.
   packages="$packages chromium chromium-driver python3-selenium"
fi

missing=""
for p in $packages; do
   if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
      missing="$missing $p"
   fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
   as_root=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
   as_root="sudo"
else
   echo "Missing packages. Please run, as root:" >&2
   echo "  apt-get update && apt-get install -y$missing" >&2
   exit 1
fi

export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update
# shellcheck disable=SC2086 # one word for each package
$as_root apt-get install -y --no-install-recommends $missing
