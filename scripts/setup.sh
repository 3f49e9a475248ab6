#!/bin/bash
# Installs what is missing and builds Tolvane into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
packages="cmake g++ pkg-config libxcb1-dev qt6-base-dev libopenal-dev libopenal1 libjpeg62-turbo-dev
  fonts-liberation2 xvfb xdotool x11-apps imagemagick libbenchmark-dev libgtest-dev libgmock-dev xdg-utils
  libgl1-mesa-dri libglx-mesa0 libegl1"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
