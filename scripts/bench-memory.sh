#!/usr/bin/env bash
# Peak memory of the whole batch process loading 10^4, 10^5 and 10^6 specimens of 20 landmarks
# in 8 groups ("LoadData" then "LoadGroupList"), and the bytes per specimen: of the whole peak,
# and of the growth from one size to the next (what each further specimen costs).
#   scripts/bench-memory.sh [BATCH-PROGRAM]     (default: build-bench/src/tessaly-batch)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
batch=$(realpath "${1:-$root/build-bench/src/tessaly-batch}")
data=${TESSALY_BENCH_DATA:-$root/build-bench/data}
mkdir -p "$data"
previous_n=0 previous_kb=0
for n in 10000 100000 1000000; do
  stem="${n}x20"
  [ -f "$data/data-$stem.txt" ] || python3 "$root/bench/make_data.py" "$n" 20 8 "$data"
  printf 'LoadData data-%s.txt\nLoadGroupList groups-%s.txt\n' "$stem" "$stem" >"$data/load-$stem.tss"
  read -r kb cpu < <( (cd "$data" && /usr/bin/time -f '%M %U %S' "$batch" "load-$stem.tss" >/dev/null) 2>&1 |
    tail -1 | awk '{ print $1, $2 + $3 }')
  growth="-"
  if [ "$previous_n" -gt 0 ]; then
    growth=$(( (kb - previous_kb) * 1024 / (n - previous_n) ))
  fi
  printf '%8d x 20: peak %5d MB, %5d bytes per specimen, %5s bytes per further specimen, cpu %s s\n' \
    "$n" $((kb / 1024)) $((kb * 1024 / n)) "$growth" "$cpu"
  previous_n=$n previous_kb=$kb
done
