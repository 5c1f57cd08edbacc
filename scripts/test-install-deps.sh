#!/bin/sh
# Checks the setup scripts where a run as root does not go: as a user with
# sudo, and with a step that fails. It changes the machine (it installs
# sudo, adds a user with password-less sudo for the run, and removes the
# arm64 -dev folder, which the user's run makes again, or after a failure
# the next install-deps.sh --arm64), so only CI runs it
# (.ci/run, first, before anything has added the arm64 architecture); run
# it by hand only as root on a machine where that is fine.
#
#   1. install-deps.sh, test.sh and demo.sh: --help prints the usage on
#      standard output with status 0; an unknown option prints it on
#      standard error with status 2
#   2. install-deps.sh --arm64, with an apt-get first on the PATH whose
#      update fails: a status other than 0, the line that names apt-get
#      update, and no arm64 architecture left. Where arm64 was added before,
#      the run goes on a copy of dpkg's database without it (DPKG_ADMINDIR),
#      so that the architecture is still added and must be removed again
#   3. a user who is not root, with password-less sudo, runs install-deps.sh
#      --arm64 and configures and builds build-arm64 in a copy of this tree
#      in its home: the -dev folder is there again, and no temporary folder
#      of the download is left in /tmp, nor a half one beside it in /opt
#
# A user and sudoers file left by a run that was killed are removed first.
#
# usage: scripts/test-install-deps.sh
set -eu
cd "$(dirname "$0")/.."

USER_NAME=blobs-sudo                      # the user made for check 3
SUDOERS=/etc/sudoers.d/blobs-sudo         # its password-less sudo
ALLEGRO_ARM64_DEV=/opt/liballegro4-dev-arm64

[ "$(id -u)" -eq 0 ] || { echo "test-install-deps.sh: run as root: it adds a user" >&2; exit 1; }

# Removes the user and its sudo, left by a run that was killed, or made by
# this one.
remove_user()
{
   rm -f "$SUDOERS"
   if id "$USER_NAME" >/dev/null 2>&1; then
      userdel --remove "$USER_NAME" 2>/dev/null || true
   fi
}
if id "$USER_NAME" >/dev/null 2>&1 || [ -e "$SUDOERS" ]; then
   echo "test-install-deps.sh: $USER_NAME and its sudo, left by a run that was killed, are removed"
   remove_user
fi

work="$(mktemp -d)"
cleanup()
{
   remove_user
   rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

# Prints what went wrong and ends the check.
fail()
{
   echo "FAIL: $*" >&2
   exit 1
}

echo "== --help and an unknown option"
for script in install-deps.sh test.sh demo.sh; do
   status=0
   "scripts/$script" --help >"$work/out" 2>"$work/err" || status=$?
   { [ "$status" -eq 0 ] && grep -q "^usage: scripts/$script" "$work/out" && [ ! -s "$work/err" ]; } ||
      fail "$script --help: status $status, not the usage on standard output alone"
   status=0
   "scripts/$script" --no-such-option >"$work/out" 2>"$work/err" || status=$?
   { [ "$status" -eq 2 ] && grep -q "^usage: scripts/$script" "$work/err" && [ ! -s "$work/out" ]; } ||
      fail "$script --no-such-option: status $status, not 2 with the usage on standard error alone"
done
echo "each prints its usage, with status 0 asked and 2 for an unknown option"

echo "== install-deps.sh --arm64 when apt-get update fails"
mkdir "$work/stub"
cat >"$work/stub/apt-get" <<'EOF'
#!/bin/sh
for argument in "$@"; do
   [ "$argument" = update ] && { echo "E: apt-get update refused by the check" >&2; exit 100; }
done
exec /usr/bin/apt-get "$@"
EOF
chmod 755 "$work/stub/apt-get"
if dpkg --print-foreign-architectures | grep -qx arm64; then
   # dpkg's record of what is installed, without the arm64 architecture and
   # its packages.
   mkdir "$work/dpkg"
   dpkg --print-foreign-architectures | grep -vx arm64 >"$work/dpkg/arch" || true
   awk -v RS= '$0 !~ /(^|\n)Architecture: arm64(\n|$)/ { print $0 "\n" }' \
      /var/lib/dpkg/status >"$work/dpkg/status"
   export DPKG_ADMINDIR="$work/dpkg"
   echo "arm64 was added to this machine before: the run goes on a copy of dpkg's database without it"
fi
status=0
PATH="$work/stub:$PATH" scripts/install-deps.sh --arm64 >"$work/out" 2>&1 || status=$?
sed 's/^/   /' "$work/out"
[ "$status" -ne 0 ] || fail "install-deps.sh exited with status 0 after its apt-get update failed"
grep -qx "install-deps.sh: failed: apt-get update" "$work/out" ||
   fail "no line saying that apt-get update failed"
if dpkg --print-foreign-architectures | grep -qx arm64; then
   fail "the arm64 architecture is left added after apt-get update failed"
fi
unset DPKG_ADMINDIR
echo "status $status, and no arm64 architecture left"

echo "== install-deps.sh --arm64 and the arm64 build as a user with sudo"
if ! command -v sudo >/dev/null 2>&1; then
   apt-get -o DPkg::Lock::Timeout=600 update
   DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y --no-remove sudo
fi
useradd --create-home --shell /bin/sh "$USER_NAME"
echo "$USER_NAME ALL=(ALL) NOPASSWD: ALL" >"$SUDOERS"
chmod 440 "$SUDOERS"
home="$(getent passwd "$USER_NAME" | cut -d: -f6)"
# The user's copy of this tree, without its builds.
mkdir "$home/blobs"
tar -cf - --exclude=./.git --exclude=./build --exclude='./build-*' . | tar -xf - -C "$home/blobs"
chown -R "$USER_NAME:" "$home/blobs"
rm -rf "$ALLEGRO_ARM64_DEV"
touch "$work/start"
status=0
# shellcheck disable=SC2016 # expanded by the user's shell
runuser -u "$USER_NAME" -- sh -c 'cd "$HOME/blobs" &&
   scripts/install-deps.sh --arm64 &&
   cmake -S . -B build-arm64 --toolchain cmake/aarch64-linux-gnu.cmake -DBLOBS_WERROR=ON &&
   cmake --build build-arm64 -j"$(nproc)"' </dev/null || status=$?
[ "$status" -eq 0 ] || fail "the user's install-deps.sh --arm64 and arm64 build ended with status $status"
[ -f "$ALLEGRO_ARM64_DEV/usr/lib/aarch64-linux-gnu/pkgconfig/allegro.pc" ] ||
   fail "no $ALLEGRO_ARM64_DEV made"
[ -x "$home/blobs/build-arm64/blobs" ] || fail "the user's build made no build-arm64/blobs"
left="$(find /tmp -mindepth 1 -maxdepth 2 -newer "$work/start" \
   \( -user _apt -o -name 'liballegro4-dev_*.deb' \) -print)"
left="$left$(find /opt -maxdepth 1 -name "${ALLEGRO_ARM64_DEV##*/}.*" -print)"
[ -z "$left" ] || fail "left by the download and unpacking: $left"
echo "$USER_NAME installed through sudo and built build-arm64/blobs; no download folder left"
