// Timings of the statistics on synthetic scores: the jackknife test on a set the size of the
// great-ape example and on a large set, and one MANOVA of many rows and variables.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "core/random.h"
#include "stats/jackknife.h"
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

void BM_JackknifeExampleSize(benchmark::State& state) {
  const Scores s = makeScores({30, 29, 26, 28, 24, 30}, 12, 1);
  tessaly::setRandomSeed(1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        tessaly::stats::jacknife_assignments(s.scores, s.codes, 100, 0.1, tessaly::randomEngine()));
  }
}
BENCHMARK(BM_JackknifeExampleSize)->Unit(benchmark::kMillisecond);

void BM_JackknifeLarge(benchmark::State& state) {
  const Scores s = makeScores(std::vector<int>(8, 250), 36, 2);
  tessaly::setRandomSeed(2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        tessaly::stats::jacknife_assignments(s.scores, s.codes, 100, 0.1, tessaly::randomEngine()));
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
