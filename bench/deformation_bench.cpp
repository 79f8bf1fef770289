// The deformation grid a user waits for: a density-50 grid for 60 landmarks, computed (the
// target rebuilt from scores, the spline solved and evaluated over the grid), drawn as a grid
// with landmark vectors, and rendered to PNG bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "core/diagnostics.h"
#include "graphics/deformation.h"
#include "platform/platform.h"
#include "render/print.h"
#include "shape/configuration.h"

namespace pf = tessaly::platform;

namespace {

constexpr int kLandmarks = 60;

// Landmarks on an ellipse with a little noise, centred and of unit centroid size.
tessaly::Matrix reference() {
  std::mt19937 engine(5);
  std::normal_distribution<double> noise(0, 0.02);
  tessaly::Matrix row(1, 2 * kLandmarks + 1);
  for (int j = 0; j < kLandmarks; ++j) {
    double a = 2 * 3.141592653589793 * j / kLandmarks;
    row(0, 2 * j) = 1.5 * std::cos(a) + noise(engine);
    row(0, 2 * j + 1) = std::sin(a) + noise(engine);
  }
  row(0, 2 * kLandmarks) = 1;
  tessaly::Matrix centred = tessaly::shape::centerref(row);
  centred(0, 2 * kLandmarks) = 1;
  return centred;
}

// A target a little way along the first few warps and the uniform directions.
tessaly::Matrix scores() {
  tessaly::Matrix pw = tessaly::Matrix::Zero(1, 2 * kLandmarks - 3);
  for (int i = 0; i < 8; ++i) pw(0, i) = 0.02 * (i % 3 - 1);
  pw(0, 2 * kLandmarks - 5) = 0.03;
  return pw;
}

// The diagnostic lines are not part of what is timed.
class QuietConsole : public pf::Console {
 public:
  void write(const std::string&) override {}
};

void BM_DensityFiftyGridToPng(benchmark::State& state) {
  const tessaly::Matrix ref = reference(), pw = scores();
  const auto plottype = static_cast<double>(state.range(0));
  QuietConsole quiet;
  pf::platform().setConsole(&quiet);
  tessaly::setDiagnosticSink([](const std::string&) {});
  for (auto _ : state) {
    pf::resetPlatform();
    tessaly::graphics::showpw5(ref, pw, 50, plottype, 2, 1, 2, {.aheadspec = 1});
    std::string png = tessaly::render::renderPicture(pf::model(), pf::model().gcf(),
                                                     tessaly::render::PictureFormat::Png);
    benchmark::DoNotOptimize(png.data());
  }
  pf::platform().setConsole(nullptr);
}
// 4: grid with landmark vectors; 8: filled contours of the x displacement.
BENCHMARK(BM_DensityFiftyGridToPng)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
