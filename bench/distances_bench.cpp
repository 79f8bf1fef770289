// Timings of the permutation tests of the group distances: the ape skulls' size (167
// specimens, 6 groups, 12 shape variables, 8 landmarks) with 10,000 rounds, and 10,000
// specimens of 50 landmarks in 5 groups with 1,000 rounds, each on 1 and on 2 threads.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "analysis/distance_tests.h"
#include "analysis/resampling.h"

namespace {

using tessaly::analysis::GroupedSample;

// Normal variables and coordinates; the group means differ on the first few columns.
GroupedSample makeSample(const std::vector<int>& sizes, int variables, int coordinates) {
  std::mt19937_64 engine(1);
  std::normal_distribution<double> normal;
  GroupedSample s;
  s.groups = static_cast<int>(sizes.size());
  for (int g = 0; g < s.groups; ++g) s.ordinal.insert(s.ordinal.end(), sizes[g], g);
  const auto n = static_cast<Eigen::Index>(s.ordinal.size());
  s.variables.resize(n, variables);
  s.coordinates.resize(n, coordinates);
  for (Eigen::Index i = 0; i < n; ++i) {
    const int g = s.ordinal[static_cast<size_t>(i)];
    for (int j = 0; j < variables; ++j) s.variables(i, j) = normal(engine) + (j < 3 ? 0.2 * g : 0);
    for (int j = 0; j < coordinates; ++j)
      s.coordinates(i, j) = 0.01 * normal(engine) + (j < 2 ? 0.001 * g : 0);
  }
  return s;
}

void run(benchmark::State& state, const GroupedSample& s, std::uint64_t rounds) {
  tessaly::analysis::setThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(tessaly::analysis::distanceTests(s, rounds, 1));
  tessaly::analysis::setThreads(0);
}

void BM_DistancesApes10000(benchmark::State& state) {
  static const GroupedSample s = makeSample({30, 29, 26, 28, 24, 30}, 12, 16);
  run(state, s, 10000);
}
BENCHMARK(BM_DistancesApes10000)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Distances10000x50(benchmark::State& state) {
  static const GroupedSample s = makeSample({2000, 2000, 2000, 2000, 2000}, 96, 100);
  run(state, s, 1000);
}
BENCHMARK(BM_Distances10000x50)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
