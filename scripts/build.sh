#!/usr/bin/env bash
# Configures (once) and builds into build/; incremental afterwards.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RT519_BUILD_DIR:-$root/build}"
# Configure every time: it is quick, and it picks up folders and .cmake pieces added since.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -- -j"$(nproc)"
