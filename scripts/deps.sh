#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run need; quick when all are there.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkgconf
  qt6-base-dev qt6-charts-dev qt6-serialport-dev libqt6sql6-sqlite libqt6opengl6-dev
  libsqlite3-dev libsqlitecpp-dev
  pxlib-dev libshp-dev libfreexl-dev mdbtools-dev libgsf-1-dev libkainjow-mustache-dev
  googletest libbenchmark-dev
  xvfb xauth x11-apps poppler-utils fonts-dejavu-core
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
