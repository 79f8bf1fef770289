#!/usr/bin/env bash
# Sets everything up, builds the programs and every test, and runs the tests. The benchmarks
# are built by scripts/bench.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --build build -j "$(nproc)" --target test_programs tessaly
ctest --test-dir build --output-on-failure -j "$(nproc)"
