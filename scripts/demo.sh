#!/bin/sh
# Installs what is missing, builds the demo and starts it.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build
cmake --build build --target blobs -j"$(nproc)"
exec build/blobs
