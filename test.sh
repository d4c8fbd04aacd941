#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; non-zero on any failure.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
cd "${RT519_BUILD_DIR:-$root/build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
