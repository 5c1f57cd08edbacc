#!/bin/sh
# Installs what is missing, builds everything and runs every test: once in a
# plain build and once under AddressSanitizer and UndefinedBehaviorSanitizer.
# The window tests, each under a private X server, run in the plain build
# only; they bring their own checks (valgrind, ThreadSanitizer).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
jobs="$(nproc)"

cmake -S . -B build -DBLOBS_TESTS=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure

cmake -S . -B build-sanitize -DBLOBS_TESTS=ON -DBLOBS_SANITIZE=ON
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure
