#!/usr/bin/env bash
# Configures and builds into build/; incremental afterwards.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RT519_BUILD_DIR:-$root/build}"
# Qt's moc step does not notice sources added to a target from a new folder or .cmake
# piece after the first configure; when the build description changed, let it start over.
stamp="$build/.cmake-files.sha"
current=$(cd "$root" && find . -path ./build\* -prune -o \( -name CMakeLists.txt -o -name '*.cmake' \) -print0 \
          | sort -z | xargs -0 sha1sum | sha1sum | cut -d' ' -f1)
if [ -d "$build" ] && [ "$(cat "$stamp" 2>/dev/null)" != "$current" ]; then
  find "$build" -maxdepth 4 -type d -name '*_autogen' -prune -exec rm -rf {} +
fi
# Configure every time: it is quick, and it picks up folders and .cmake pieces added since.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -- -j"$(nproc)"
echo "$current" > "$stamp"
