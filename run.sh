#!/usr/bin/env bash
# Installs what is missing, builds, prepares ./run and starts the program there.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
"$root/scripts/prepare-run-folder.sh" "$root/run"
cd "$root/run"
exec "${RT519_BUILD_DIR:-$root/build}/src/app/rt519"
