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
#   --arm64     cross-building the demo and its Debian package for arm64
#               (a Raspberry Pi's Debian) and running them under qemu
#
# Uses apt-get as root or through sudo; when it can do neither, it prints the
# one line to run and fails. It installs and never removes: where apt would
# have to remove one of the machine's packages, it refuses. A step that fails
# is named on standard error, and leaves the machine as it was: an arm64
# architecture this run added is removed again while none of its packages is
# installed, and no temporary folder stays.
#
# usage: scripts/install-deps.sh [--package] [--test] [--windows] [--web] [--arm64]
set -eu

# Prints how to call it, and what each option adds.
usage()
{
   cat <<'EOF'
usage: scripts/install-deps.sh [--package] [--test] [--windows] [--web] [--arm64]
  with no option  what building and running the demo takes
  --package       and making its Debian package
  --test          and its tests, benchmarks and measuring scripts
  --windows       and cross-building blobs.exe (with --test, its tests under Wine)
  --web           and building its web site (with --test, its tests in a browser)
  --arm64         and cross-building it for arm64, run under qemu
EOF
}

package=""
test=""
windows=""
web=""
arm64=""
for option in "$@"; do
   case "$option" in
      --package) package=yes ;;
      --test) test=yes ;;
      --windows) windows=yes ;;
      --web) web=yes ;;
      --arm64) arm64=yes ;;
      -h|--help) usage; exit 0 ;;
      *) usage >&2; exit 2 ;;
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
   # wmctrl. libfaketime moves and slows the demo's clocks while it runs,
   # and strace holds it at a write to its display while the server ends.
   # clang's sanitizer runtimes are a package of their own, which clang
   # only recommends; libclang-rt-dev names the one of the release's clang.
   # The pacing test runs once more under Xwayland (xwayland) in weston's
   # headless compositor (weston), the X server of a Wayland desktop.
   packages="$packages clang libclang-rt-dev libgtest-dev libbenchmark-dev xvfb xdotool x11-utils x11-apps"
   packages="$packages libxcb-damage0-dev libfaketime strace"
   packages="$packages imagemagick valgrind procps lintian devscripts diffoscope-minimal"
   packages="$packages desktop-file-utils man-db python3-xlib openbox wmctrl"
   packages="$packages weston xwayland"
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
   # Selenium for Python, and WebKitGTK's MiniBrowser through WebKitWebDriver
   # (webkit2gtk-driver, with MiniBrowser in its dependencies), on the Xvfb
   # and with the xwd that --test installs; and headless Firefox (firefox-esr),
   # driven over WebDriver BiDi through a websocket (python3-websocket).
   packages="$packages chromium chromium-driver python3-selenium webkit2gtk-driver"
   packages="$packages firefox-esr python3-websocket"
fi

if [ -n "$arm64" ]; then
   # The cross compiler, and the arm64 libraries the demo links and loads,
   # C++'s among them, installed beside the machine's own through Debian's
   # multiarch; qemu runs what is built, and dpkg-shlibdeps finds the
   # package's dependencies among them. The graphics library's -dev package
   # is left out: it cannot be installed for two architectures at once, and
   # apt would remove the machine's own to install it (see below).
   packages="$packages g++-aarch64-linux-gnu qemu-user dpkg-dev file"
   packages="$packages libstdc++6:arm64 libx11-dev:arm64 libxcb-present-dev:arm64"
   # libfaketime's arm64 build, which the emulated demo preloads itself.
   [ -n "$test" ] && packages="$packages libfaketime:arm64"
fi

# The graphics library's run-time package is named by release (Debian 13's
# is liballegro4.4t64, renamed for its 64-bit time_t): it is the one that
# liballegro4-dev depends on, as installed here, or else as the archive's
# lists have it, which apt-get update may first have to fetch.
allegro_runtime()
{
   if dpkg-query -W -f='${Status}' liballegro4-dev 2>/dev/null | grep -q "ok installed"; then
      dpkg-query -W -f='${Depends}' liballegro4-dev | tr ',' '\n'
   else
      apt-cache depends liballegro4-dev 2>/dev/null | sed -n 's/^ *Depends: //p'
   fi | sed -n 's/^ *\(liballegro4\.4[a-z0-9]*\)\([ (].*\)\{0,1\}$/\1/p' | head -n 1
}
runtime=""
if [ -n "$arm64" ]; then
   runtime=$(allegro_runtime)
   if [ -n "$runtime" ]; then
      packages="$packages $runtime:arm64"
   fi
fi

# Where the arm64 -dev files of the graphics library go, unpacked as they
# are in their package: cmake/aarch64-linux-gnu.cmake looks there.
ALLEGRO_ARM64_DEV=/opt/liballegro4-dev-arm64

missing=""
for p in $packages; do
   if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
      missing="$missing $p"
   fi
done
find_runtime=""
if [ -n "$arm64" ] && [ -z "$runtime" ]; then
   find_runtime=yes
fi
add_arm64=""
if [ -n "$arm64" ] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
   add_arm64=yes
fi
unpack_arm64=""
if [ -n "$arm64" ] && [ ! -f "$ALLEGRO_ARM64_DEV/usr/lib/aarch64-linux-gnu/pkgconfig/allegro.pc" ]; then
   unpack_arm64=yes
fi
[ -z "$missing$add_arm64$unpack_arm64$find_runtime" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
   as_root=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
   as_root="sudo"
else
   echo "Missing packages. Please run this script as root, or as root:" >&2
   [ -n "$add_arm64" ] && echo "  dpkg --add-architecture arm64" >&2
   [ -n "$missing" ] && echo "  apt-get update && apt-get install -y --no-remove$missing" >&2
   [ -n "$find_runtime" ] && echo "  and this script again, for the graphics library's arm64 run-time package" >&2
   [ -n "$unpack_arm64" ] && echo "  and this script, for the graphics library's arm64 -dev files" >&2
   exit 1
fi

# What the run is doing, for the line that names a step that failed, and
# what it has made that a failure must undo.
step=""
added_arm64=""
download=""
dev=""

# Runs at every end. On a failure it names the step, and removes again the
# arm64 architecture this run added, which dpkg allows only while no package
# of it is installed: a machine whose sources have no arm64 would otherwise
# report the missing lists at each apt-get update from then on.
finish()
{
   status=$?
   if [ -n "$download" ]; then
      $as_root rm -rf "$download"
   fi
   if [ -n "$dev" ]; then
      $as_root rm -rf "$dev"
   fi
   if [ "$status" -ne 0 ]; then
      echo "install-deps.sh: failed: $step" >&2
      if [ -n "$added_arm64" ]; then
         if $as_root dpkg --remove-architecture arm64; then
            echo "install-deps.sh: the arm64 architecture it added is removed again" >&2
         else
            echo "install-deps.sh: the arm64 architecture stays: packages of it are installed" >&2
         fi
      fi
   fi
   exit "$status"
}
trap finish EXIT
trap 'exit 1' HUP INT TERM

# Runs apt-get as root, asking no questions: through sudo too, which drops
# the setting from the environment it passes on.
apt_get()
{
   $as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"
}

if [ -n "$add_arm64" ]; then
   step="dpkg --add-architecture arm64"
   $as_root dpkg --add-architecture arm64
   added_arm64=yes
fi
if [ -n "$missing$unpack_arm64$find_runtime" ]; then
   step="apt-get update"
   apt_get update
fi
if [ -n "$find_runtime" ]; then
   step="finding liballegro4-dev's run-time package in the archive"
   runtime=$(allegro_runtime)
   [ -n "$runtime" ]
   missing="$missing $runtime:arm64"
fi
if [ -n "$missing" ]; then
   # Nothing of the machine's goes: where an install needs a package removed
   # (an arm64 library whose version must equal the machine's own copy, and
   # the archive has no such version), apt refuses and nothing is installed.
   # An older copy of the machine's is upgraded to the archive's version,
   # as apt-get upgrade would, and apt lists it.
   step="apt-get install$missing"
   # shellcheck disable=SC2086 # one word for each package
   apt_get install -y --no-remove --no-install-recommends $missing
fi

# The graphics library's -dev package is Multi-Arch: no, so installing
# liballegro4-dev:arm64 would remove liballegro4-dev, and with it the
# machine's own build. The arm64 one is unpacked into a folder of its own
# instead, at the version of the arm64 run-time library: its headers (which
# differ from the machine's in one line of allegro/platform/alunixac.h), and
# its allegro.pc and liballeg.so, pointed at that folder and at the run-time
# library in /usr/lib/aarch64-linux-gnu. It is made whole in a folder of
# its own beside its place and then renamed into it, within one file system
# (/tmp may be another, a tmpfs, where a move would be a copy), so that a
# failure halfway leaves none half made.
if [ -n "$unpack_arm64" ]; then
   version=$(dpkg-query -W -f='${Version}' "$runtime:arm64")
   step="apt-get download liballegro4-dev:arm64=$version"
   download=$($as_root mktemp -d)
   # Anyone may enter and read it; apt-get writes there as its own
   # unprivileged user, where there is one.
   $as_root chmod 755 "$download"
   if id _apt >/dev/null 2>&1; then
      $as_root chown _apt "$download"
   fi
   (cd "$download" && $as_root apt-get download "liballegro4-dev:arm64=$version")
   step="unpacking liballegro4-dev:arm64 into $ALLEGRO_ARM64_DEV"
   dev=$($as_root mktemp -d "$ALLEGRO_ARM64_DEV.XXXXXX")
   $as_root chmod 755 "$dev"
   $as_root dpkg-deb -x "$download"/liballegro4-dev_*_arm64.deb "$dev"
   lib="$dev/usr/lib/aarch64-linux-gnu"
   $as_root ln -sf "/usr/lib/aarch64-linux-gnu/$(readlink "$lib/liballeg.so")" "$lib/liballeg.so"
   $as_root sed -i "s|^prefix=/usr\$|prefix=$ALLEGRO_ARM64_DEV/usr|" "$lib/pkgconfig/allegro.pc"
   $as_root rm -rf "$ALLEGRO_ARM64_DEV"
   $as_root mv "$dev" "$ALLEGRO_ARM64_DEV"
   dev=""
   echo "install-deps.sh: liballegro4-dev:arm64 $version unpacked into $ALLEGRO_ARM64_DEV"
fi
