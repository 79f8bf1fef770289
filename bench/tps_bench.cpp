// Reading a large TPS landmark file: 100,000 specimens of 20 landmarks, as a digitising
// program writes them (pixel coordinates, ID, IMAGE and SCALE for each specimen, Windows line
// ends). The file is written into the temporary folder once and removed at the end; the time
// is that of readLandmarkFile, from the file on disk to the matrix of configuration rows.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/tps.h"

namespace {

namespace fs = std::filesystem;

fs::path writeTpsFile(int specimens, int k) {
  const fs::path path = fs::temp_directory_path() / "tessaly-bench-100k.tps";
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> pixel(0.0, 4000.0);
  std::ofstream out(path, std::ios::binary);
  std::string text;
  for (int i = 1; i <= specimens; ++i) {
    text = "LM=" + std::to_string(k) + "\r\n";
    for (int j = 0; j < k; ++j)
      text += std::to_string(pixel(rng)) + " " + std::to_string(pixel(rng)) + "\r\n";
    text += "IMAGE=specimen-" + std::to_string(i) + ".jpg\r\nID=" + std::to_string(i) +
            "\r\nSCALE=0.0125\r\n";
    out << text;
  }
  return path;
}

void BM_ReadTps100k(benchmark::State& state) {
  const fs::path path = writeTpsFile(100000, 20);
  state.counters["MB"] = static_cast<double>(fs::file_size(path)) / 1e6;
  for (auto _ : state) {
    tessaly::TpsData data = tessaly::readLandmarkFile(path.string());
    benchmark::DoNotOptimize(data.rows.data());
    if (data.rows.rows() != 100000 || data.rows.cols() != 41) state.SkipWithError("wrong size");
  }
  fs::remove(path);
}
BENCHMARK(BM_ReadTps100k)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
