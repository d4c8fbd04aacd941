#!/usr/bin/env bash
# Installs what is missing, builds, prepares ./run and starts the program there,
# with the instrument emulator on a pseudo-terminal offered as a port.
# RT519_NO_EMULATOR=1 skips the emulator (use a real instrument on a serial port).
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
build="${RT519_BUILD_DIR:-$root/build}"
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
"$root/scripts/prepare-run-folder.sh" "$root/run"
cd "$root/run"

if [ -z "${RT519_NO_EMULATOR:-}" ]; then
  link="$root/run/rt519-emu.pty"
  "$build/tools/rt519-emu/rt519-emu" --link "$link" --trace "$root/run/rt519-emu.trace" > "$root/run/rt519-emu.out" 2>&1 &
  emu=$!
  trap 'kill $emu 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
  export RT519_EXTRA_PORTS="$link${RT519_EXTRA_PORTS:+:$RT519_EXTRA_PORTS}"
  echo "Emulated instrument on $link"
fi
"$build/src/app/rt519"
