#!/usr/bin/env bash
# Builds the benchmarks in Release with both peers (QCustomPlot and Qwt), runs them all, counts
# allocations per frame and writes docs/performance.md with its chart docs/performance.png.
#   bench/run.sh                      the full run (25 to 50 minutes on 2 cores)
#   bench/run.sh --benchmark_filter=line_solid   extra arguments go to rd_bench
# BUILD_DIR (default build-bench) and REPETITIONS (default 7) may be set in the environment.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages cmake ninja-build g++ qtbase5-dev libbenchmark-dev python3 libqcustomplot-dev libqwt-qt5-dev

build=${BUILD_DIR:-build-bench}
repetitions=${REPETITIONS:-7}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRESULTDISPLAY_BUILD_BENCH=ON \
    -DRESULTDISPLAY_BUILD_TESTS=OFF -DRESULTDISPLAY_BUILD_EXAMPLES=OFF -DRESULTDISPLAY_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" --target rd_bench rd_alloc rd_chart -j "$(nproc)"

json="$build/bench/results.json"
# Repetitions are interleaved at random, and each one paints the library, the floors and the peers
# in turn: the ratios compare frames painted under the same load. solo/ benchmarks are for
# profilers only.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
"$build/bench/rd_bench" \
    --benchmark_filter=-solo/ \
    --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.3 \
    --benchmark_out="$json" --benchmark_out_format=json \
    "$@"

# The live workloads again at a screen scale of 150 %: a widget's pixel ratio is fixed for its process.
scaled="$build/bench/results-scaled.json"
QT_SCALE_FACTOR=1.5 "$build/bench/rd_bench" \
    --benchmark_filter='^(live|band_drag)/' \
    --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.3 \
    --benchmark_out="$scaled" --benchmark_out_format=json >/dev/null

allocations="$build/bench/allocations.json"
"$build/bench/rd_alloc" >"$allocations"

mkdir -p docs
"$build/bench/rd_chart" "$json" docs/performance.png
python3 bench/report.py "$json" "$allocations" "$scaled" >docs/performance.md
echo "wrote docs/performance.md and docs/performance.png"
