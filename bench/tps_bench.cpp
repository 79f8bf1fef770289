// Reading a large TPS landmark file beside the numeric reader on the same specimens: 100,000
// specimens of 20 landmarks, as a digitising program writes them (pixel coordinates, ID, IMAGE
// and SCALE for each specimen, Windows line ends), and the same coordinates, in the same text,
// as numeric rows with their centroid size. Both files are written into the temporary folder
// once and removed at the end. Each iteration reads both with readLandmarkFile, from the file
// on disk to the matrix of configuration rows; the benchmark's time is the TPS read, and the
// counters give the CPU time of each read and their ratio (TPS over numeric), which a loaded
// machine changes less than the times, and the elapsed time of each and their ratio: both
// readers read a large file in parts of about 4 MB on all cores.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/tps.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSpecimens = 100000;
constexpr int kLandmarks = 20;

std::string fixed6(double v) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 6);
  return std::string(buffer, end);
}

std::string shortest(double v) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, end);
}

double centroidSize(const std::vector<double>& xy) {
  double cx = 0, cy = 0, ss = 0;
  for (size_t j = 0; j < xy.size(); j += 2) cx += xy[j], cy += xy[j + 1];
  cx /= kLandmarks, cy /= kLandmarks;
  for (size_t j = 0; j < xy.size(); j += 2)
    ss += (xy[j] - cx) * (xy[j] - cx) + (xy[j + 1] - cy) * (xy[j + 1] - cy);
  return std::sqrt(ss);
}

struct Files {
  fs::path tps, numeric;
  Files() {
    const std::string stem = "tessaly-tps-bench-" + std::to_string(::getpid());
    tps = fs::temp_directory_path() / (stem + ".tps");
    numeric = fs::temp_directory_path() / (stem + ".txt");
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> pixel(0.0, 4000.0);
    std::ofstream t(tps, std::ios::binary), n(numeric, std::ios::binary);
    std::string block, row;
    std::vector<double> xy(2 * kLandmarks);
    for (int i = 1; i <= kSpecimens; ++i) {
      block = "LM=" + std::to_string(kLandmarks) + "\r\n";
      row.clear();
      for (int j = 0; j < kLandmarks; ++j) {
        const std::string x = fixed6(pixel(rng)), y = fixed6(pixel(rng));
        block += x + " " + y + "\r\n";
        row += x + " " + y + " ";
        std::from_chars(x.data(), x.data() + x.size(), xy[2 * j]);
        std::from_chars(y.data(), y.data() + y.size(), xy[2 * j + 1]);
      }
      block += "IMAGE=specimen-" + std::to_string(i) + ".jpg\r\nID=" + std::to_string(i) +
               "\r\nSCALE=0.0125\r\n";
      t << block;
      n << row << shortest(centroidSize(xy)) << "\r\n";
    }
  }
  ~Files() {
    std::error_code ec;
    fs::remove(tps, ec);
    fs::remove(numeric, ec);
  }
};

double cpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

double wallSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// The CPU and elapsed times of reading one file whole, added to `seconds`; false when it did
// not read as 100,000 rows.
struct Times {
  double cpu = 0, wall = 0;
};
bool timedRead(const fs::path& path, Times& seconds) {
  const double cpu = cpuSeconds(), wall = wallSeconds();
  tessaly::TpsData data = tessaly::readLandmarkFile(path.string());
  benchmark::DoNotOptimize(data.rows.data());
  seconds.cpu += cpuSeconds() - cpu;
  seconds.wall += wallSeconds() - wall;
  return data.rows.rows() == kSpecimens && data.rows.cols() == 2 * kLandmarks + 1;
}

void BM_ReadTps100k(benchmark::State& state) {
  static const Files files;
  Times tps, numeric;
  for (auto _ : state) {
    bool ok = timedRead(files.tps, tps);
    state.PauseTiming();
    ok = timedRead(files.numeric, numeric) && ok;
    state.ResumeTiming();
    if (!ok) state.SkipWithError("a file did not read whole");
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["tps_cpu_ms"] = 1e3 * tps.cpu / n;
  state.counters["numeric_cpu_ms"] = 1e3 * numeric.cpu / n;
  state.counters["ratio"] = tps.cpu / numeric.cpu;
  state.counters["tps_wall_ms"] = 1e3 * tps.wall / n;
  state.counters["numeric_wall_ms"] = 1e3 * numeric.wall / n;
  state.counters["wall_ratio"] = tps.wall / numeric.wall;
  state.counters["MB"] = static_cast<double>(fs::file_size(files.tps)) / 1e6;
}
BENCHMARK(BM_ReadTps100k)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
