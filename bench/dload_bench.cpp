// Reading a large landmark data file: 100,000 specimens of 20 landmarks (about 33 MB of text),
// the size automated landmarking now gives. The whole file should read in well under 0.5 s.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "core/dload.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSpecimens = 100000;
constexpr int kLandmarks = 20;

struct DataFile {
  fs::path path;
  DataFile() {
    path =
        fs::temp_directory_path() / ("tessaly-dload-bench-" + std::to_string(::getpid()) + ".txt");
    std::mt19937 engine(20261209);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::FILE* f = std::fopen(path.c_str(), "w");
    for (int i = 0; i < kSpecimens; ++i) {
      const double scale = 50 + 5 * normal(engine);
      for (int j = 0; j < kLandmarks; ++j) {
        const double a = 2 * M_PI * j / kLandmarks;
        const double r = 1 + 0.2 * std::cos(2.3 * j) + 0.03 * normal(engine);
        std::fprintf(f, "%.6f %.6f ", scale * r * std::cos(a) + 7, scale * r * std::sin(a) - 3);
      }
      std::fprintf(f, "%.6f\n", scale);
    }
    std::fclose(f);
  }
  ~DataFile() {
    std::error_code ec;
    fs::remove(path, ec);
  }
};

void BM_ReadLargeDataFile(benchmark::State& st) {
  static DataFile file;
  for (auto _ : st) {
    tessaly::Matrix x = tessaly::dload(file.path.string());
    if (x.rows() != kSpecimens || x.cols() != 2 * kLandmarks + 1) {
      st.SkipWithError("the file did not read whole");
      break;
    }
    benchmark::DoNotOptimize(x.data());
  }
  st.counters["MB"] = static_cast<double>(fs::file_size(file.path)) / 1e6;
}
BENCHMARK(BM_ReadLargeDataFile)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
