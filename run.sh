#!/usr/bin/env bash
# Sets up what is missing, builds a release build and starts the viewer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/bootstrap.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target ovisto
exec build/ovisto "$@"
