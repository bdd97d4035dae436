#!/usr/bin/env bash
# Checks the formatting of every source file, builds the core library alone (so it cannot lean on
# Qt), then builds everything and runs every test: once in a normal build (with a short smoke run
# of the benchmarks), then once more under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

echo "== format check"
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [[ ${#sources[@]} -eq 0 ]]; then
    echo "No sources listed by git: the format check cannot run."
    exit 1
fi
unformatted=()
for file in "${sources[@]}"; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [[ ${#unformatted[@]} -gt 0 ]]; then
    echo "Not formatted (run clang-format -i on them):"
    printf '  %s\n' "${unformatted[@]}"
    exit 1
fi

echo "== core library alone"
cmake -S . -B build-core -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALIS_WERROR=ON \
    -DORVALIS_DESKTOP=OFF -DORVALIS_TESTS=OFF -DORVALIS_BENCH=OFF >/dev/null
cmake --build build-core --target orvalis_core

echo "== build and tests"
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
