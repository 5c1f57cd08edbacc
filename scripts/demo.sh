#!/bin/sh
# Installs what is missing, builds the demo and starts it. As a user, it
# installs through sudo and builds in build/, in this folder, which must be
# the user's.
#
# usage: scripts/demo.sh
set -eu

USAGE="usage: scripts/demo.sh"
for argument in "$@"; do
   case "$argument" in
      -h|--help) echo "$USAGE"; exit 0 ;;
      *) echo "$USAGE" >&2; exit 2 ;;
   esac
done
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build
cmake --build build --target blobs -j"$(nproc)"
exec build/blobs
