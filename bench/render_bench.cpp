// Drawing a score plot of many specimens: 1,000 configurations of 30 landmarks, each landmark
// its own plot object (30,000 points), then the figure rendered to an image.
#include <benchmark/benchmark.h>

#include <random>

#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "render/print.h"

namespace pf = tessaly::platform;

namespace {

constexpr int kSpecimens = 1000;
constexpr int kLandmarks = 30;

// Landmarks on a unit circle with a little noise per specimen, as superimposed data look.
tessaly::Matrix specimens() {
  std::mt19937 engine(7);
  std::normal_distribution<double> noise(0, 0.03);
  tessaly::Matrix x(kSpecimens, 2 * kLandmarks);
  for (int i = 0; i < kSpecimens; ++i)
    for (int j = 0; j < kLandmarks; ++j) {
      double a = 2 * 3.141592653589793 * j / kLandmarks;
      x(i, 2 * j) = std::cos(a) + noise(engine);
      x(i, 2 * j + 1) = std::sin(a) + noise(engine);
    }
  return x;
}

const char* kSymbols[] = {"ko", "bx", "rp", "ms", "c+", "g*", "y>", "k>", "bo", "rs"};

void drawSpecimens(const tessaly::Matrix& x) {
  pf::hold("on");
  for (int i = 0; i < kSpecimens; ++i)
    for (int j = 0; j < kLandmarks; ++j)
      pf::plot(x(i, 2 * j), x(i, 2 * j + 1), kSymbols[i % 10], {{"MarkerSize", 3.0}});
  pf::axis("auto");
  pf::axis("equal");
}

// Plotting and rendering together: what a user waits for after loading a data set.
void BM_PlotAndRender(benchmark::State& state) {
  tessaly::Matrix x = specimens();
  for (auto _ : state) {
    pf::resetPlatform();
    drawSpecimens(x);
    tessaly::render::Image image = tessaly::render::renderImage(pf::model(), pf::model().gcf());
    benchmark::DoNotOptimize(image.pixels.data());
  }
}
BENCHMARK(BM_PlotAndRender)->Unit(benchmark::kMillisecond);

// Rendering alone, as a window repaint does.
void BM_Render(benchmark::State& state) {
  pf::resetPlatform();
  drawSpecimens(specimens());
  for (auto _ : state) {
    tessaly::render::Image image = tessaly::render::renderImage(pf::model(), pf::model().gcf());
    benchmark::DoNotOptimize(image.pixels.data());
  }
}
BENCHMARK(BM_Render)->Unit(benchmark::kMillisecond);

// The superimposition of 10,000 specimens of 50 landmarks (500,000 plot objects), drawn as the
// display actions draw it (one pass per specimen), then rendered to a PNG picture: the
// rendering alone is timed.
void BM_SuperimpositionToPng10000x50(benchmark::State& state) {
  constexpr int n = 10000, k = 50;
  std::mt19937 engine(11);
  std::normal_distribution<double> noise(0, 0.02);
  pf::resetPlatform();
  pf::hold("on");
  std::vector<double> xs(k), ys(k);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < k; ++j) {
      double a = 2 * 3.141592653589793 * j / k;
      xs[j] = std::cos(a) + noise(engine);
      ys[j] = std::sin(a) + noise(engine);
    }
    pf::plotPoints(xs, ys, kSymbols[i % 5], {{"MarkerSize", 3.0}});
  }
  pf::axis("auto");
  pf::axis("equal");
  for (auto _ : state) {
    std::string png = tessaly::render::renderPicture(pf::model(), pf::model().gcf(),
                                                     tessaly::render::PictureFormat::Png);
    benchmark::DoNotOptimize(png.data());
  }
}
BENCHMARK(BM_SuperimpositionToPng10000x50)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
