// Timings of the statistics: the jackknife test on the great-ape example (on 1 and 2 threads),
// on synthetic scores of its size and on a large set, and one MANOVA of many rows and
// variables.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "analysis/fit.h"
#include "analysis/jackknife.h"
#include "core/dload.h"
#include "stats/manova.h"

namespace {

using tessaly::Matrix;

struct Scores {
  Matrix scores;  // the last column stands for centroid size and is not analysed
  Matrix codes;
};

// Normal scores with `vars` shape variables, groups of the given sizes whose means differ on
// the first few variables.
Scores makeScores(const std::vector<int>& sizes, int vars, unsigned seed) {
  std::mt19937_64 engine(seed);
  std::normal_distribution<double> normal;
  int n = 0;
  for (int s : sizes) n += s;
  Scores out{Matrix(n, vars + 1), Matrix(n, 1)};
  int row = 0;
  for (size_t g = 0; g < sizes.size(); ++g) {
    for (int k = 0; k < sizes[g]; ++k, ++row) {
      out.codes(row, 0) = static_cast<double>(g + 1);
      for (int j = 0; j <= vars; ++j) {
        out.scores(row, j) = normal(engine) + (j < 5 && (g >> (j % 3)) % 2 ? 1.5 : 0.0);
      }
    }
  }
  return out;
}

// 1,000 trials leaving out a tenth of the ape skulls, on as many threads as the argument.
void BM_JackknifeApes1000(benchmark::State& state) {
  const Matrix data = tessaly::dload(TESSALY_EXAMPLES "/apes/apes.txt");
  const Matrix codes = tessaly::dload(TESSALY_EXAMPLES "/apes/apes-groups.txt");
  const tessaly::analysis::Fit fit = tessaly::analysis::fit(data, codes, std::nullopt);
  tessaly::analysis::setThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        tessaly::analysis::jacknife_assignments(fit.pwscores, codes, 1000, 0.1, 7));
  }
  tessaly::analysis::setThreads(0);
}
BENCHMARK(BM_JackknifeApes1000)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JackknifeExampleSize(benchmark::State& state) {
  const Scores s = makeScores({30, 29, 26, 28, 24, 30}, 12, 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        tessaly::analysis::jacknife_assignments(s.scores, s.codes, 100, 0.1, 1));
  }
}
BENCHMARK(BM_JackknifeExampleSize)->Unit(benchmark::kMillisecond);

void BM_JackknifeLarge(benchmark::State& state) {
  const Scores s = makeScores(std::vector<int>(8, 250), 36, 2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        tessaly::analysis::jacknife_assignments(s.scores, s.codes, 100, 0.1, 2));
  }
}
BENCHMARK(BM_JackknifeLarge)->Unit(benchmark::kMillisecond);

void BM_Manova(benchmark::State& state) {
  const Scores s = makeScores(std::vector<int>(10, 1000), 96, 3);
  const Matrix X = s.scores.leftCols(96);
  for (auto _ : state) benchmark::DoNotOptimize(tessaly::stats::manova1(X, s.codes));
}
BENCHMARK(BM_Manova)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
