// Timings of the cross-validated classification of synthetic landmark data, the full analysis
// fitted once outside the timing: leave-one-out and 10 folds, with the discriminant functions
// (`cva`) or the whole analysis (`all`) refitted in each fold.
#include <benchmark/benchmark.h>

#include <cmath>
#include <optional>
#include <random>

#include "analysis/crossval.h"
#include "analysis/fit.h"

namespace {

using tessaly::Matrix;
using namespace tessaly::analysis;

// n specimens of k landmarks in g groups (as bench/make_data.py makes them): each group a
// regular polygon with its own small bulge, every coordinate with normal noise, a centroid
// size near 100.
struct Sample {
  Matrix data, codes;
};

Sample makeSample(int n, int k, int g) {
  std::mt19937_64 engine(20261209);
  std::normal_distribution<double> noise(0, 0.02), size(100, 5);
  Sample s{Matrix(n, 2 * k + 1), Matrix(n, 1)};
  for (int i = 0; i < n; ++i) {
    const int group = i % g;
    const double c = size(engine);
    for (int j = 0; j < k; ++j) {
      const double a = 2 * M_PI * j / k, r = 1 + 0.05 * std::sin((group + 1) * a);
      s.data(i, 2 * j) = c * (r * std::cos(a) + noise(engine));
      s.data(i, 2 * j + 1) = c * (r * std::sin(a) + noise(engine));
    }
    s.data(i, 2 * k) = c;
    s.codes(i) = group + 1;
  }
  return s;
}

CrossValidationSetup setupFor(const Sample& sample, int folds, Refit refit) {
  const Fit full = fit(sample.data, sample.codes, std::nullopt);
  CrossValidationSetup s;
  s.variables = full.variables;
  s.scores = full.cvScores;
  for (int a : full.ordinal) s.group.push_back(a - 1);
  for (int g = 1; g <= full.groups(); ++g) s.groupLabels.push_back(std::to_string(g));
  s.folds = folds;
  s.refit = refit;
  s.seed = 1;
  if (refit == Refit::All)
    s.refitAll = wholeAnalysisRefit(sample.data, sample.codes, std::nullopt, full.reference, {});
  return s;
}

void run(benchmark::State& state, int n, int k, int g, int folds, Refit refit) {
  const CrossValidationSetup s = setupFor(makeSample(n, k, g), folds, refit);
  for (auto _ : state) benchmark::DoNotOptimize(crossValidate(s));
}

void BM_LeaveOneOutAll1000x20(benchmark::State& state) {
  run(state, 1000, 20, 5, 0, Refit::All);
}
BENCHMARK(BM_LeaveOneOutAll1000x20)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LeaveOneOutCva10000x50(benchmark::State& state) {
  run(state, 10000, 50, 5, 0, Refit::Cva);
}
BENCHMARK(BM_LeaveOneOutCva10000x50)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TenFoldsAll10000x50(benchmark::State& state) {
  run(state, 10000, 50, 5, 10, Refit::All);
}
BENCHMARK(BM_TenFoldsAll10000x50)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
