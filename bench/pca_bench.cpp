// Timings of the principal components of shape: the shape variables of 100,000 specimens of
// 20 landmarks (36 variables) and of 10,000 specimens of 50 landmarks (96 variables), loaded
// before the clock starts.
#include <benchmark/benchmark.h>

#include <random>

#include "analysis/pca.h"

namespace {

using tessaly::Matrix;

// Normal shape variables with spreads falling from 1 to 0.01 along the columns.
Matrix shapeVariables(Eigen::Index specimens, Eigen::Index landmarks) {
  const Eigen::Index p = 2 * landmarks - 4;
  std::mt19937_64 engine(11);
  std::normal_distribution<double> normal;
  Matrix x(specimens, p);
  for (Eigen::Index j = 0; j < p; ++j) {
    const double spread = std::pow(0.01, static_cast<double>(j) / static_cast<double>(p - 1));
    for (Eigen::Index i = 0; i < specimens; ++i) x(i, j) = spread * normal(engine);
  }
  return x;
}

void BM_Components(benchmark::State& state) {
  const Matrix x = shapeVariables(state.range(0), state.range(1));
  for (auto _ : state) benchmark::DoNotOptimize(tessaly::analysis::principalComponents(x));
}
BENCHMARK(BM_Components)->Args({100000, 20})->Args({10000, 50})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
