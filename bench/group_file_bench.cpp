// Reading a group of 10,000 specimens of 100 two-dimensional landmarks: as
// a TPS file through the front door, and the same numbers as a plain file
// through the plain reader. Both files are written once to the temporary
// folder and read from disk (the page cache) in every iteration.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "io/group_file.h"
#include "io/landmark_file.h"

namespace vexmoor {
namespace {

constexpr int kSpecimens = 10000;
constexpr int kLandmarks = 100;

struct Files {
  std::string tps, plain;
  Files() {
    auto dir = std::filesystem::temp_directory_path();
    std::string stem = "vexmoor_bench_" + std::to_string(::getpid());
    tps = (dir / (stem + ".tps")).string();
    plain = (dir / (stem + ".txt")).string();
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> pixel(0, 4000);
    std::ofstream t(tps), p(plain);
    char buf[32];
    for (int s = 0; s < kSpecimens; ++s) {
      t << "LM=" << kLandmarks << "\n";
      for (int i = 0; i < kLandmarks; ++i) {
        double x = pixel(gen), y = pixel(gen);
        snprintf(buf, sizeof buf, "%.5f %.5f", x, y);
        t << buf << "\n";
        p << buf << " ";
      }
      t << "IMAGE=specimen" << s << ".jpg\nSCALE=0.0125\n";
      p << "1\n";
    }
  }
  ~Files() {
    std::filesystem::remove(tps);
    std::filesystem::remove(plain);
  }
};

const Files& files() {
  static Files f;
  return f;
}

void BM_ReadTps(benchmark::State& state) {
  const std::string& path = files().tps;
  for (auto _ : state) {
    LandmarkGroup g = readGroupFile(path);
    benchmark::DoNotOptimize(g.data.data());
  }
}
BENCHMARK(BM_ReadTps)->Unit(benchmark::kMillisecond);

void BM_ReadPlain(benchmark::State& state) {
  const std::string& path = files().plain;
  for (auto _ : state) {
    Matrix x = readLandmarkFile(path);
    benchmark::DoNotOptimize(x.data());
  }
}
BENCHMARK(BM_ReadPlain)->Unit(benchmark::kMillisecond);

void BM_ReadPlainThroughTheFrontDoor(benchmark::State& state) {
  const std::string& path = files().plain;
  for (auto _ : state) {
    LandmarkGroup g = readGroupFile(path);
    benchmark::DoNotOptimize(g.data.data());
  }
}
BENCHMARK(BM_ReadPlainThroughTheFrontDoor)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexmoor

BENCHMARK_MAIN();
