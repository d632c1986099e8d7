// Memory of the five resampling tests against the number of specimens: two
// synthetic groups of 8 landmarks with 10,200 and 100,000 specimens in all,
// v = 1. The counter peak_rss_MB is the process's peak resident size after
// the run (getrusage), which only grows, so the smaller size runs first:
// each figure bounds that size's own peak. The goal is 100,000 specimens in
// under 1 GB; it used to grow with the square of the group sizes.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <random>

#include "compare/analysis_input.h"
#include "compare/resampling_tests.h"

namespace vexmoor {
namespace {

constexpr int kLandmarks = 8;

double peakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// Specimens around an ellipse, each stretched by a random amount; the last
// column is 1.
Matrix ellipseGroup(Index specimens, double stretch, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::normal_distribution<double> normal;
  Matrix out(specimens, 2 * kLandmarks + 1);
  for (Index s = 0; s < specimens; ++s) {
    double a = 0.15 * stretch * normal(random), b = 0.1 * normal(random);
    for (int l = 0; l < kLandmarks; ++l) {
      double t = 2 * kPi * l / kLandmarks;
      out(s, 2 * l) = (2 + a) * std::cos(t) + 0.03 * normal(random);
      out(s, 2 * l + 1) = (1 + b) * std::sin(t) + 0.03 * normal(random);
    }
    out(s, 2 * kLandmarks) = 1.0;
  }
  return out;
}

using TestFunction = ResamplingResult (*)(const AnalysisInput&, const ResamplingOptions&, Host&);

template <TestFunction Test>
void BM_ResamplingMemory(benchmark::State& state) {
  const Index specimens = state.range(0);
  Matrix g1 = ellipseGroup(specimens / 2, 1.0, 1);
  Matrix g2 = ellipseGroup(specimens - specimens / 2, 1.5, 2);
  AnalysisSettings settings;
  settings.componentsText = "2";
  AnalysisInput in = prepareAnalysis(&g1, &g2, settings, ConsensusRounding::kNone,
                                     ComponentsText::kRead, silentHost());
  double before = peakResidentMegabytes();
  for (auto _ : state) {
    benchmark::DoNotOptimize(Test(in, {1, std::uint64_t{7}, nullptr, 0}, silentHost()).text);
  }
  state.counters["peak_rss_MB"] = peakResidentMegabytes();
  state.counters["rss_before_MB"] = before;
}

// Every test at one size before any at the next, so that each peak is
// that of its own size.
#define VEXMOOR_MEMORY_BENCHMARK(test, specimens) \
  BENCHMARK(BM_ResamplingMemory<&test>)           \
      ->Name("BM_ResamplingMemory/" #test)        \
      ->ArgName("specimens")                      \
      ->Arg(specimens)                            \
      ->Unit(benchmark::kSecond)                  \
      ->UseRealTime()                             \
      ->Iterations(1)

#define VEXMOOR_MEMORY_BENCHMARKS(specimens)              \
  VEXMOOR_MEMORY_BENCHMARK(bootMezeyAngle, specimens);    \
  VEXMOOR_MEMORY_BENCHMARK(bootConMezeyAngle, specimens); \
  VEXMOOR_MEMORY_BENCHMARK(rangeMezeyAngle, specimens);   \
  VEXMOOR_MEMORY_BENCHMARK(permuteMezeyAngle, specimens); \
  VEXMOOR_MEMORY_BENCHMARK(randMezeyAngle, specimens)

VEXMOOR_MEMORY_BENCHMARKS(10200);
VEXMOOR_MEMORY_BENCHMARKS(100000);

}  // namespace
}  // namespace vexmoor

BENCHMARK_MAIN();
