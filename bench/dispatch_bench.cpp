// A large analysis through the dispatcher: "LoadData" then "LoadGroupList" on 10,000 synthetic
// specimens of 50 landmarks in 5 groups, plot included; and the steps of the run one by one,
// to show where the time goes.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "core/dload.h"
#include "dispatch/actions.h"
#include "dispatch/controls.h"
#include "dispatch/group_styles.h"
#include "dispatch/state.h"
#include "graphics/styling.h"
#include "platform/platform.h"
#include "platform/scripted_dialogs.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"
#include "shape/spline.h"
#include "shape/superimposition.h"
#include "stats/manova.h"

namespace {

namespace fs = std::filesystem;
using namespace tessaly;

constexpr int kSpecimens = 10000;
constexpr int kLandmarks = 50;
constexpr int kGroups = 5;

struct Files {
  fs::path folder, data, groups;
  Files() {
    folder = fs::temp_directory_path() / ("tessaly-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    data = folder / "big.txt";
    groups = folder / "big-groups.txt";
    std::mt19937 engine(20261208);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::FILE* d = std::fopen(data.c_str(), "w");
    std::FILE* g = std::fopen(groups.c_str(), "w");
    for (int i = 0; i < kSpecimens; ++i) {
      const int group = i % kGroups;
      const double scale = 50 + 5 * normal(engine), turn = 0.2 * normal(engine);
      for (int j = 0; j < kLandmarks; ++j) {
        // An irregular outline (a regular polygon would make the warps degenerate).
        const double a = 2 * M_PI * (j + 0.3 * std::sin(1.7 * j)) / kLandmarks;
        const double r = 1 + 0.2 * std::cos(2.3 * j) + (j % kGroups == group ? 0.05 : 0.0) +
                         0.03 * normal(engine);
        const double x = r * std::cos(a), y = r * std::sin(a);
        std::fprintf(d, "%.6f %.6f ", scale * (x * std::cos(turn) - y * std::sin(turn)) + 7,
                     scale * (x * std::sin(turn) + y * std::cos(turn)) - 3);
      }
      std::fprintf(d, "%.6f\n", scale);
      std::fprintf(g, "%d\n", group + 1);
    }
    std::fclose(d);
    std::fclose(g);
  }
  ~Files() {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
};

const Files& files() {
  static Files f;
  return f;
}

platform::ScriptedDialogs& dialogs() {
  static platform::ScriptedDialogs d;
  return d;
}

// A fresh state and the windows the two actions write to.
void freshSession() {
  platform::resetPlatform();
  platform::platform().setDialogs(&dialogs());
  dispatch::resetAnalysisState();
  auto& m = platform::model();
  auto fig = m.create("figure", platform::ObjectModel::kRoot);
  m.create("axes", fig);
  for (const char* tag : {"FileBox", "GroupBox", "LoadGroup", "NoLoadGroup", "LoadReference",
                          "XBox", "YBox", "XBoxExp", "YBoxExp", "RefAngleBox"})
    m.create("uicontrol", fig, {{"Tag", tag}});
  m.set(dispatch::findOne("RefAngleBox"), "String", platform::Value("0"));
  auto aux = m.create("figure", platform::ObjectModel::kRoot);
  m.create("uicontrol", aux, {{"Tag", "AuxResults"}});
  m.setCurrentFigure(fig);
}

void BM_LoadDataAndGroupList(benchmark::State& st) {
  const Files& f = files();
  for (auto _ : st) {
    st.PauseTiming();
    freshSession();
    dialogs().answer(f.data.string());
    dialogs().answer(f.groups.string());
    st.ResumeTiming();
    dispatch::Tessalysw("LoadData");
    dispatch::Tessalysw("LoadGroupList");
    if (dispatch::analysisState().CVAScores.rows() != kSpecimens) {
      st.SkipWithError("the CVA run did not complete");
      break;
    }
  }
}
BENCHMARK(BM_LoadDataAndGroupList)->Unit(benchmark::kMillisecond)->Iterations(3);

// The steps of the run separately, on the same data.
struct Steps {
  Matrix data, groups, reference, superimposed, pw;
  Steps() {
    data = dload(files().data.string());
    groups = dload(files().groups.string());
    reference = shape::getconsensus(data).xref;
    superimposed = shape::getpsup(data, reference);
    pw = shape::getpw_arbit(reference, superimposed);
  }
};
const Steps& steps() {
  static Steps s;
  return s;
}

void BM_ReadDataFile(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(dload(files().data.string()));
}
void BM_Consensus(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(shape::getconsensus(steps().data));
}
void BM_Superimpose(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(shape::getpsup(steps().data, steps().reference));
}
void BM_PartialWarps(benchmark::State& st) {
  for (auto _ : st)
    benchmark::DoNotOptimize(shape::getpw_arbit(steps().reference, steps().superimposed));
}
void BM_Manova(benchmark::State& st) {
  const Matrix& pw = steps().pw;
  for (auto _ : st)
    benchmark::DoNotOptimize(stats::manova1(pw.leftCols(pw.cols() - 1), steps().groups, 0.05));
}
void BM_PlotSpecimens(benchmark::State& st) {
  for (auto _ : st) {
    st.PauseTiming();
    freshSession();
    dispatch::analysisState().ColorList = dispatch::defaultColorList();
    st.ResumeTiming();
    dispatch::plotRows(steps().superimposed, steps().groups);
  }
}
// Bytes taken from the heap, large blocks included.
size_t heapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// The drawing at the end of the run on many specimens: rows x 20 landmarks in 8 groups, every
// specimen one point set, then filled in its colour, as "LoadGroupList" draws them; with the
// heap each specimen's drawing keeps.
void BM_PlotRows(benchmark::State& st) {
  const auto rows = static_cast<Eigen::Index>(st.range(0));
  std::mt19937 engine(20261209);
  std::normal_distribution<double> normal(0.0, 1.0);
  Matrix data(rows, 41), codes(rows, 1);
  for (Eigen::Index j = 0; j < data.cols(); ++j)
    for (Eigen::Index i = 0; i < rows; ++i) data(i, j) = normal(engine);
  for (Eigen::Index i = 0; i < rows; ++i) codes(i) = static_cast<double>(i % 8 + 1);
  for (auto _ : st) {
    st.PauseTiming();
    freshSession();
    dispatch::analysisState().ColorList = dispatch::defaultColorList();
    st.ResumeTiming();
    const size_t before = heapBytes();
    dispatch::plotRows(data, codes);
    graphics::setsymbolfill(platform::gca(), 1);
    st.PauseTiming();
    st.counters["bytes_per_specimen"] =
        static_cast<double>(heapBytes() - before) / static_cast<double>(rows);
    platform::resetPlatform();  // the clearing is not what is measured
    st.ResumeTiming();
  }
  st.SetItemsProcessed(st.iterations() * rows);
}
BENCHMARK(BM_PlotRows)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK(BM_ReadDataFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Consensus)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Superimpose)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PartialWarps)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Manova)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PlotSpecimens)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
