#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build-fuzz/ and runs each for
# SECONDS (default 30), seeded from tests/fuzz/corpus/<target>/. New inputs are kept in
# build-fuzz/corpus/<target>/; an input that crashes is written to build-fuzz/crash-* and
# fails the run. The libraries are compiled eight sources to a unit (a unity build), which
# halves the build. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(dload callback window_files script)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTESSALY_FUZZ=ON -DTESSALY_TESTS=OFF -DTESSALY_BENCH=OFF -DTESSALY_WINDOWS=OFF \
  -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8 >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/%/_fuzz}"

# Each target runs on one core for its SECONDS; as many run at once as there are cores.
fuzz() {
  local t=$1 log="build-fuzz/$1.log"
  mkdir -p "build-fuzz/corpus/$t"
  if ! build-fuzz/tests/fuzz/${t}_fuzz -max_total_time="$seconds" -timeout=10 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/ "build-fuzz/corpus/$t" \
    "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "fuzz target $t failed: the input that fails is build-fuzz/crash-* (or leak-, timeout-)"
    return 1
  fi
}
cores=$(nproc)
failed=0
for ((i = 0; i < ${#targets[@]}; i += cores)); do
  batch=("${targets[@]:i:cores}")
  echo "Fuzzing ${batch[*]} for ${seconds} s"
  pids=()
  for t in "${batch[@]}"; do
    fuzz "$t" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  [ "$failed" = 0 ] || exit 1
done
for t in "${targets[@]}"; do
  echo "$t:"
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "build-fuzz/$t.log"
done
