#!/usr/bin/env bash
# Sets up what the batch program needs, builds it (and nothing else), and runs the usual
# analysis on the great ape skulls in examples/apes, writing every result into out/apes and
# printing the report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh batch
cmake --build build -j "$(nproc)" --target tessaly-batch
build/src/tessaly-batch analyze examples/apes/apes.txt examples/apes/apes-groups.txt \
  --out out/apes --jackknife 100,0.1 --seed 1
