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

}  // namespace

BENCHMARK_MAIN();
