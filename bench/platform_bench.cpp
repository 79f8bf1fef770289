// The object tree under the heaviest load the dispatcher puts on it: 10,000 specimens of 50
// landmarks, each landmark its own line made by one plot call, the "RefAngleBox" looked up
// once per specimen, and automatic then equal limits after every specimen; then the limits
// read once and the axes cleared.
#include <benchmark/benchmark.h>

#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"

namespace pf = tessaly::platform;

namespace {

void BM_PlotManyPoints(benchmark::State& state) {
  const int specimens = static_cast<int>(state.range(0));
  for (auto _ : state) {
    pf::resetPlatform();
    pf::Handle fig = pf::figure();
    pf::model().create("uicontrol", fig, {{"Tag", "RefAngleBox"}, {"String", "0"}});
    for (int s = 0; s < specimens; ++s) {
      benchmark::DoNotOptimize(pf::get(pf::findobj("Tag", "RefAngleBox").front(), "String"));
      pf::hold("on");
      for (int k = 0; k < 50; ++k) pf::plot(k + 0.001 * s, 0.5 * k, "ko", {{"MarkerSize", 3.0}});
      pf::axis("auto");
      pf::axis("equal");
    }
    benchmark::DoNotOptimize(pf::axis());
    tessaly::plotlib::cla();
  }
  state.SetItemsProcessed(state.iterations() * specimens * 50);
}
BENCHMARK(BM_PlotManyPoints)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
