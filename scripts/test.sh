#!/usr/bin/env bash
# Builds everything and runs every test: once in a normal build (with a short smoke run of the
# benchmarks), then once more under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALIS_WERROR=ON >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure --timeout 300

echo "== benchmark smoke run"
for bench in build/bench/*_bench; do
    [[ -x "$bench" ]] || continue
    ORVALIS_BENCH_SMOKE=1 "$bench" --benchmark_min_time=0.001 >/dev/null
    echo "ok $(basename "$bench")"
done

echo "== sanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVALIS_WERROR=ON \
    -DORVALIS_SANITIZE=ON -DORVALIS_BENCH=OFF >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure --timeout 600
