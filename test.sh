#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the whole suite: once in the
# release build (with the end-to-end tests under Xvfb) and once under the
# address and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")"
scripts/bootstrap.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOVISTO_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs")
