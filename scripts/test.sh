#!/bin/bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --all
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 300
