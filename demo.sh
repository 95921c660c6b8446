#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, builds the demo and runs it.
# With a display it opens a window; without one (or with --screenshot DIR) it writes screenshots
# (PNG, and the plot also as SVG and PDF).
set -euo pipefail
cd "$(dirname "$0")"
source tools/ensure-packages.sh

ensure_packages cmake ninja-build g++ pkg-config qtbase5-dev libqt5svg5-dev fonts-dejavu-core

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target resultdisplay-demo
exec build/examples/resultdisplay-demo "$@"
