#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, checks the formatting, builds ResultDisplay and runs
# every test: once in a normal build (build/, Qt 5, with the API reference), again against Qt 6 (build-qt6/),
# then the libFuzzer harness for a bounded time (build-fuzz/, clang), then the suite with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-sanitize/). The last line says what ran and passed.
#   ./test.sh           all four
#   ./test.sh --quick   the normal build only
# FUZZ_SECONDS sets how long the fuzzer runs (default 60).
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

ensure_packages cmake ninja-build g++ pkg-config dpkg-dev qtbase5-dev libqt5svg5-dev fonts-dejavu-core \
    libbenchmark-dev doxygen clang-format

passed=() # what the summary line lists
summary() {
    local IFS=,
    echo "== passed in $((SECONDS / 60)) min $((SECONDS % 60)) s:${passed[*]/#/ }"
}

echo "== format (clang-format with the repository's .clang-format)"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    sources=$(git ls-files '*.cpp' '*.h' | wc -l)
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
    passed+=("format ($sources files)")
else
    echo "skipped: not a git checkout"
fi

jobs=$(nproc)
run_suite() { # name, build directory, extra configure options...
    local name=$1 dir=$2
    shift 2
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j "$jobs"
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j "$jobs" | tee "$dir/ctest.log"
    local count skipped
    count=$(grep -c -E 'Test +#[0-9]+: .* Passed' "$dir/ctest.log" || true)
    skipped=$(grep -c -E 'Test +#[0-9]+: .*Skipped' "$dir/ctest.log" || true)
    [ "$skipped" -eq 0 ] && skipped="" || skipped=", $skipped skipped"
    passed+=("$name ($count tests$skipped)")
}

echo "== normal build"
run_suite "Qt 5 suite" build
echo "== API reference (doxygen; an undocumented public name fails it)"
cmake --build build --target docs
passed+=("API reference")
if [ "$quick" -eq 1 ]; then
    summary
    exit 0
fi

echo "== Qt 6 build"
ensure_packages qt6-base-dev qt6-svg-dev
run_suite "Qt 6 suite" build-qt6 -DRESULTDISPLAY_QT_MAJOR_VERSION=6 -DRESULTDISPLAY_BUILD_BENCH=OFF

echo "== fuzzer (clang, libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer)"
ensure_packages clang libclang-rt-14-dev
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DRESULTDISPLAY_BUILD_TESTS=OFF -DRESULTDISPLAY_BUILD_EXAMPLES=OFF -DRESULTDISPLAY_BUILD_BENCH=OFF
cmake --build build-fuzz --target resultdisplay_fuzzer -j "$jobs"
# The committed seeds stay as they are: the run grows a copy of them. The fuzzer's own output goes
# to its log; only its summary is shown, or the log's end on a finding.
fuzz_run=build-fuzz/run
fuzz_log=$fuzz_run/fuzzer.log
rm -rf "$fuzz_run"
mkdir -p "$fuzz_run/artifacts"
cp -r fuzz/corpus "$fuzz_run/corpus"
echo "running for ${FUZZ_SECONDS:-60} s, log in $fuzz_log"
if ! QT_QPA_PLATFORM=offscreen \
    LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build-fuzz/fuzz/resultdisplay_fuzzer -max_total_time="${FUZZ_SECONDS:-60}" -timeout=20 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$fuzz_run/artifacts/" "$fuzz_run/corpus" >"$fuzz_log" 2>&1; then
    tail -n 60 "$fuzz_log"
    echo "fuzzer: a finding, written under $fuzz_run/artifacts/ (the whole output is in $fuzz_log)"
    exit 1
fi
grep -E '^(Done [0-9]+ runs|stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb))' \
    "$fuzz_log" || true
inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$fuzz_log")
echo "fuzzer: no finding"
passed+=("fuzzer (${inputs:-?} inputs in ${FUZZ_SECONDS:-60} s)")

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
run_suite "sanitizer suite" build-sanitize -DRESULTDISPLAY_SANITIZE=ON -DRESULTDISPLAY_BUILD_BENCH=OFF
summary
