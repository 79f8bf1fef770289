// Superimposition and partial warp scores of a whole data set: the consensus, the fit of every
// specimen onto it and the scores, as the analysis runs them after a group list is loaded.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>

#include "core/dload.h"
#include "shape/spline.h"
#include "shape/superimposition.h"

namespace {

using tessaly::Matrix;

// N noisy copies of one random shape of k landmarks, each placed, sized and turned at random,
// with a size column.
Matrix syntheticData(int N, int k, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0), angle(-3.0, 3.0), scale(0.5, 3.0);
  std::normal_distribution<double> noise(0.0, 0.05);
  Eigen::VectorXd mean(2 * k);
  for (int q = 0; q < 2 * k; ++q) mean(q) = u(rng);
  Matrix x(N, 2 * k + 1);
  for (int i = 0; i < N; ++i) {
    const double t = angle(rng), s = scale(rng), dx = 5 * u(rng), dy = 5 * u(rng);
    for (int j = 0; j < k; ++j) {
      const double px = mean(2 * j) + noise(rng), py = mean(2 * j + 1) + noise(rng);
      x(i, 2 * j) = s * (std::cos(t) * px - std::sin(t) * py) + dx;
      x(i, 2 * j + 1) = s * (std::sin(t) * px + std::cos(t) * py) + dy;
    }
    x(i, 2 * k) = 100 * s;
  }
  return x;
}

void runAnalysis(benchmark::State& state, const Matrix& data) {
  for (auto _ : state) {
    const auto consensus = tessaly::shape::getconsensus(data);
    const Matrix fitted = tessaly::shape::getpsup(data, consensus.xref);
    const Matrix scores = tessaly::shape::getpw_arbit(consensus.xref, fitted);
    benchmark::DoNotOptimize(scores.data());
  }
  state.counters["specimens"] = static_cast<double>(data.rows());
  state.counters["landmarks"] = static_cast<double>((data.cols() - 1) / 2);
}

void BM_Synthetic10000x50(benchmark::State& state) {
  static const Matrix data = syntheticData(10000, 50, 1);
  runAnalysis(state, data);
}
BENCHMARK(BM_Synthetic10000x50)->Unit(benchmark::kMillisecond);

// The apes example (167 specimens, 8 landmarks) from the source tree, or synthetic data of
// that size where the tree is not at hand.
Matrix apesOrSynthetic() {
  const auto path =
      std::filesystem::path(__FILE__).parent_path().parent_path() / "examples/apes/apes.txt";
  bool opened = true;
  if (std::filesystem::exists(path)) {
    Matrix x = tessaly::dload(path.string(), &opened);
    if (opened && x.rows() == 167) return x;
  }
  return syntheticData(167, 8, 2);
}

void BM_Apes167x8(benchmark::State& state) {
  static const Matrix data = apesOrSynthetic();
  runAnalysis(state, data);
}
BENCHMARK(BM_Apes167x8)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
