#!/usr/bin/env bash
# Fills a run folder: the database (made from the schema only when absent, never
# overwritten), the language file and the help and report folders.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RT519_BUILD_DIR:-$root/build}"
run="${1:-$root/run}"
mkdir -p "$run"
for item in Eng.lng help Report_Rus Report_Eng; do
  [ -e "$root/data/$item" ] && cp -r "$root/data/$item" "$run/"
done
if [ ! -f "$run/EnergyDB.mdb" ] && [ -x "$build/tools/rt519-mkdb/rt519-mkdb" ]; then
  "$build/tools/rt519-mkdb/rt519-mkdb" "$run/EnergyDB.mdb"
fi
