#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build-fuzz/ and runs each for
# SECONDS (default 30), seeded from tests/fuzz/corpus/<target>/. New inputs are kept in
# build-fuzz/corpus/<target>/; an input that crashes is written to build-fuzz/crash-* and
# fails the run. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(dload callback window_files script)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTESSALY_FUZZ=ON -DTESSALY_TESTS=OFF -DTESSALY_BENCH=OFF -DTESSALY_WINDOWS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/%/_fuzz}"

for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t"
  echo "Fuzzing $t for ${seconds} s"
  log="build-fuzz/$t.log"
  if ! build-fuzz/tests/fuzz/${t}_fuzz -max_total_time="$seconds" -timeout=10 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/ "build-fuzz/corpus/$t" \
    "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "fuzz target $t failed: the input that fails is build-fuzz/crash-* (or leak-, timeout-)"
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log"
done
