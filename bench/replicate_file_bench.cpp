// What --replicates costs: a 10,000-replicate shuffle test on the bundled
// gorilla groups, alone and followed by writing its replicate file (the CSV
// made and written to a temporary file, as the batch front end does).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "analyses/replicate_table.h"
#include "compare/analysis_input.h"
#include "compare/resampling_tests.h"
#include "io/landmark_file.h"

namespace vexmoor {
namespace {

constexpr int kBootValue = 10;  // 10,000 replicates
constexpr std::uint64_t kSeed = 20240601;

const AnalysisInput& gorillaInput() {
  static const Matrix g1 = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt");
  static const Matrix g2 = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt");
  static const AnalysisInput in = [] {
    AnalysisSettings settings;
    settings.componentsText = "2";
    return prepareAnalysis(&g1, &g2, settings, ConsensusRounding::kNone, ComponentsText::kRead,
                           silentHost());
  }();
  return in;
}

void shuffleTest(benchmark::State& state) {
  ResamplingOptions options{kBootValue, kSeed, nullptr, 0};
  for (auto _ : state) {
    benchmark::DoNotOptimize(permuteMezeyAngle(gorillaInput(), options, silentHost()));
  }
}

void shuffleTestWithReplicateFile(benchmark::State& state) {
  ResamplingOptions options{kBootValue, kSeed, nullptr, 0};
  std::filesystem::path file =
      std::filesystem::temp_directory_path() / "vexmoor_replicate_file_bench.csv";
  for (auto _ : state) {
    ResamplingResult r = permuteMezeyAngle(gorillaInput(), options, silentHost());
    std::ofstream(file, std::ios::binary) << replicateCsv(r);
  }
  std::filesystem::remove(file);
}

// The file alone, for scale.
void replicateFileOnly(benchmark::State& state) {
  ResamplingOptions options{kBootValue, kSeed, nullptr, 0};
  ResamplingResult r = permuteMezeyAngle(gorillaInput(), options, silentHost());
  for (auto _ : state) {
    benchmark::DoNotOptimize(replicateCsv(r));
  }
}

BENCHMARK(shuffleTest)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(shuffleTestWithReplicateFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(replicateFileOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexmoor

BENCHMARK_MAIN();
