#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, then builds ResultDisplay and runs every test.
#   ./test.sh            configure, build and run the tests in build/
set -euo pipefail
cd "$(dirname "$0")"
source tools/ensure-packages.sh

ensure_packages cmake ninja-build g++ pkg-config qtbase5-dev fonts-dejavu-core

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$(nproc)"
