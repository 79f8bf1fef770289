#!/usr/bin/env bash
# Builds in Release and runs every benchmark, printing each figure beside its target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench
data=${TESSALY_BENCH_DATA:-$build/data}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF >/dev/null
cmake --build "$build" --target tessaly-batch stats_bench render_bench distances_bench crossval_bench pca_bench shape_bench tps_bench >/dev/null

mkdir -p "$data"
whole_process() {  # specimens landmarks groups time-target memory-target-MB
  local n=$1 k=$2 g=$3 stem="$1x$2"
  [ -f "$data/data-$stem.txt" ] || python3 "$root/bench/make_data.py" "$n" "$k" "$g" "$data"
  printf 'LoadData data-%s.txt\nLoadGroupList groups-%s.txt\n' "$stem" "$stem" >"$data/load-$stem.tss"
  local report
  report=$( (cd "$data" && /usr/bin/time -v "$build/src/tessaly-batch" "load-$stem.tss" >/dev/null) 2>&1)
  local wall user sys rss
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' <<<"$report")
  user=$(sed -n 's/.*User time (seconds): //p' <<<"$report")
  sys=$(sed -n 's/.*System time (seconds): //p' <<<"$report")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' <<<"$report")
  printf '%-32s wall %s  user+sys %.2f s (target < %s s)  peak %d MB (target < %s MB)\n' \
    "LoadData+LoadGroupList $n x $k" "$wall" "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" "$4" \
    $((rss / 1024)) "$5"
}
whole_process 2000 50 5 0.25 60
whole_process 10000 50 5 0.12 150
whole_process 100000 20 8 0.4 600
whole_process 1000000 20 8 3 1500

bench_ms() {  # program filter target-ms label
  local ms
  ms=$("$build/bench/$1" --benchmark_filter="$2" --benchmark_format=csv 2>/dev/null |
    awk -F, 'NR>1 && $1 !~ /^name/ {print $3; exit}')
  printf '%-32s %.1f ms (target < %s ms)\n' "$4" "$ms" "$3"
}
bench_ms stats_bench BM_JackknifeExampleSize 250 "jackknife 100 x 0.1"
bench_ms stats_bench 'BM_JackknifeApes1000/1/' 600 "apes jackknife 1,000 x 0.1, 1 thread"
bench_ms stats_bench 'BM_JackknifeApes1000/2/' 600 "apes jackknife 1,000 x 0.1, 2 threads"
bench_ms render_bench BM_SuperimpositionToPng10000x50 300 "10,000 x 50 superimposition PNG"
bench_ms distances_bench 'BM_DistancesApes10000/1/' 300 "apes distances 10,000 rounds, 1 thread"
bench_ms distances_bench 'BM_DistancesApes10000/2/' 300 "apes distances 10,000 rounds, 2 threads"
bench_ms distances_bench 'BM_Distances10000x50/1/' 3000 "10,000 x 50 distances 1,000 rounds, 1 thread"
bench_ms distances_bench 'BM_Distances10000x50/2/' 3000 "10,000 x 50 distances 1,000 rounds, 2 threads"

analyze_seconds() {  # threads, then the analyze arguments: wall and CPU time of the process
  local threads=$1; shift
  /usr/bin/time -f '%e %U %S' "$build/src/tessaly-batch" analyze "$@" --threads "$threads" \
    --out "$data/out-distances" 2>&1 >/dev/null | tail -1 |
    awk '{ printf "wall %s s, user+sys %.2f s", $1, $2 + $3 }'
}
for t in 1 2; do
  printf '%-32s %s (target < 0.3 s)\n' "apes analyze --permutations 10000, $t thread(s)" \
    "$(analyze_seconds "$t" "$root/examples/apes/apes.txt" "$root/examples/apes/apes-groups.txt" --permutations 10000)"
  printf '%-32s %s (target < 3 s)\n' "10,000 x 50 analyze --permutations 1000, $t thread(s)" \
    "$(analyze_seconds "$t" "$data/data-10000x50.txt" "$data/groups-10000x50.txt" --permutations 1000)"
done
bench_ms pca_bench 'BM_Components/100000/20' 200 "PCA of 100,000 x 20"
bench_ms pca_bench 'BM_Components/10000/50' 200 "PCA of 10,000 x 50"
bench_ms crossval_bench BM_LeaveOneOutAll1000x20 3000 "1,000 x 20 leave-one-out, refit all"
bench_ms crossval_bench BM_LeaveOneOutCva10000x50 1000 "10,000 x 50 leave-one-out, refit cva"
bench_ms crossval_bench BM_TenFoldsAll10000x50 5000 "10,000 x 50 10 folds, refit all"
bench_ms shape_bench BM_Slide1000x5Curves 2000 "sliding 5 curves of 20 points, 1,000"
"$build/bench/tps_bench" --benchmark_format=csv 2>/dev/null | awk -F, '
  NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i }
  NR == 2 { printf "%-32s TPS %.0f ms, numeric %.0f ms CPU: ratio %.2f (target at most 2); elapsed %.0f and %.0f ms: ratio %.2f\n",
    "reading 100,000 x 20 TPS", $col["\"tps_cpu_ms\""], $col["\"numeric_cpu_ms\""], $col["\"ratio\""],
    $col["\"tps_wall_ms\""], $col["\"numeric_wall_ms\""], $col["\"wall_ratio\""] }'
apes_cv=$( (/usr/bin/time -f '%e %U %S' "$build/src/tessaly-batch" analyze "$root/examples/apes/apes.txt" \
  "$root/examples/apes/apes-groups.txt" --out "$data/apes-cv" --cross-validate loo >/dev/null) 2>&1)
printf '%-32s wall %s s (target < 0.5 s)\n' "apes analyze, loo, refit all" "${apes_cv%% *}"
