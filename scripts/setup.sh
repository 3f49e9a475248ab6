#!/bin/bash
# Installs what is missing and builds Tolvane into build/: the program alone,
# or with --all everything (tests and benchmarks too).
set -euo pipefail
cd "$(dirname "$0")/.."
packages="cmake g++ pkg-config libxcb1-dev qt6-base-dev libopenal-dev libopenal1 libjpeg62-turbo-dev
  fonts-liberation2 xvfb xdotool x11-apps x11-utils imagemagick libbenchmark-dev libgtest-dev libgmock-dev xdg-utils
  libgl1-mesa-dri libglx-mesa0 libegl1"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  # Another install in progress holds the lock: wait for it rather than fail.
  lock="-o DPkg::Lock::Timeout=600"
  $sudo apt-get $lock update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get $lock install -y -qq $missing
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
target="--target tolvane"
[ "${1:-}" = "--all" ] && target=""
cmake --build build -j"$(nproc)" $target
