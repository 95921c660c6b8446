#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, builds ResultDisplay and runs every test:
# once in a normal build (build/) and once with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-sanitize/).
#   ./test.sh           both builds
#   ./test.sh --quick   the normal build only
set -euo pipefail
cd "$(dirname "$0")"
source tools/ensure-packages.sh

quick=0
for argument in "$@"; do
    case "$argument" in
    --quick) quick=1 ;;
    *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
    esac
done

ensure_packages cmake ninja-build g++ pkg-config qtbase5-dev fonts-dejavu-core libbenchmark-dev

jobs=$(nproc)
run_suite() { # build directory, extra configure options...
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j "$jobs"
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== normal build"
run_suite build
[ "$quick" -eq 1 ] && exit 0

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
run_suite build-sanitize -DRESULTDISPLAY_SANITIZE=ON -DRESULTDISPLAY_BUILD_BENCH=OFF
