#!/usr/bin/env bash
# Builds everything with clang's AddressSanitizer and UndefinedBehaviorSanitizer
# (float-cast-overflow included) in build-sanitize/ and runs every test there. A finding ends
# the program that meets it, so its test fails with the sanitizer's report. Run
# scripts/setup.sh once first.
set -euo pipefail
cd "$(dirname "$0")/.."
# Clang, as for the fuzz targets: its checks include arithmetic on null pointers, and it
# compiles the instrumented code in half the time. Eight sources are compiled as one unit. A
# folder configured earlier for another compiler is configured afresh.
grep -qs '^CMAKE_CXX_COMPILER:.*clang' build-sanitize/CMakeCache.txt || rm -rf build-sanitize
CC=clang CXX=clang++ cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTESSALY_SANITIZE=ON -DTESSALY_BENCH=OFF -DCMAKE_UNITY_BUILD=ON \
  -DCMAKE_UNITY_BUILD_BATCH_SIZE=8 >/dev/null
cmake --build build-sanitize -j "$(nproc)" --target test_programs
export ASAN_OPTIONS=detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1
export UBSAN_OPTIONS=print_stacktrace=1
# Caches that the font, windowing and drawing libraries keep until the process ends are not
# leaks of ours; every other leak fails its test.
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitize/lsan.supp:print_suppressions=0
ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
