// Superimposition and partial warp scores of a whole data set: the consensus, the fit of every
// specimen onto it and the scores, as the analysis runs them after a group list is loaded.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>

#include "core/dload.h"
#include "shape/configuration.h"
#include "shape/sliding.h"
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

// N specimens of 10 fixed landmarks on a circle and 5 curves of 20 points, each an arc between
// two neighbouring fixed landmarks bulging inwards, its points unevenly and differently spaced
// in every specimen, each specimen placed, sized and turned at random.
Matrix curveData(int N, std::uint64_t seed) {
  constexpr int fixed = 10, curves = 5, points = 20, k = fixed + curves * points;
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0), skew(0.8, 1.25);
  std::normal_distribution<double> noise(0.0, 0.02);
  Matrix x(N, 2 * k + 1);
  for (int i = 0; i < N; ++i) {
    Eigen::VectorXd row(2 * k);
    for (int j = 0; j < fixed; ++j) {
      const double a = 2 * 3.141592653589793 * j / fixed;
      row(2 * j) = std::cos(a) + noise(rng);
      row(2 * j + 1) = std::sin(a) + noise(rng);
    }
    for (int c = 0; c < curves; ++c) {
      const int a = 2 * c, b = 2 * c + 1, first = fixed + c * points;
      const double e = skew(rng);
      for (int p = 0; p < points; ++p) {
        const double s = std::pow((p + 0.5) / points, e), bulge = 0.6 * s * (1 - s);
        for (int d = 0; d < 2; ++d)
          row(2 * (first + p) + d) =
              (1 - bulge) * ((1 - s) * row(2 * a + d) + s * row(2 * b + d)) + noise(rng) / 4;
      }
    }
    const double t = 3 * u(rng), sc = 2 + u(rng), dx = 5 * u(rng), dy = 5 * u(rng);
    for (int j = 0; j < k; ++j) {
      x(i, 2 * j) = sc * (std::cos(t) * row(2 * j) - std::sin(t) * row(2 * j + 1)) + dx;
      x(i, 2 * j + 1) = sc * (std::sin(t) * row(2 * j) + std::cos(t) * row(2 * j + 1)) + dy;
    }
  }
  x.col(2 * k) = tessaly::shape::centsize(x);
  return x;
}

// Sliding 5 curves of 20 points on 1,000 specimens until the consensus settles.
void BM_Slide1000x5Curves(benchmark::State& state) {
  static const Matrix data = curveData(1000, 3);
  tessaly::shape::SlideKinds kinds(10, 0);
  for (int c = 1; c <= 5; ++c) kinds.insert(kinds.end(), 20, c);
  for (auto _ : state) {
    Matrix rows = data;
    const auto result = tessaly::shape::slideSemilandmarks(rows, kinds);
    state.counters["rounds"] = result.rounds;
    state.counters["settled"] = result.settled;
    benchmark::DoNotOptimize(rows.data());
  }
}
BENCHMARK(BM_Slide1000x5Curves)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
