// Six groups of 30 specimens (8 two-dimensional landmarks, 12 shape
// variables), RangeMezeyAngle with v = 10 (10,000 replicates a pair):
// - all 15 pairs in one run, in the pooled frame of all six groups;
// - the same 15 pairs as 15 two-group runs, each with its own preparation.
// The goal is the first within 1.2 times the second. Also the k-group
// hierarchy of the six groups (RunCPC), whose goal is under 50 ms; and 200
// groups (19,900 pairs) with v = 1, every pair's replicates streamed to a
// CSV sink as the pairs finish, with the peak resident size (getrusage) as
// the counter peak_rss_MB: it must not grow with the number of pairs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <random>
#include <vector>

#include "analyses/analysis_actions.h"
#include "analyses/replicate_table.h"

namespace vexmoor {
namespace {

constexpr int kGroups = 6;
constexpr int kSpecimens = 30;
constexpr int kLandmarks = 8;
constexpr std::uint64_t kSeed = 20261209;

// Specimens around an ellipse, each moved, turned and scaled at random, with
// three directions of shape variation of the group's own. Last column: the
// centroid size.
Matrix syntheticGroup(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::normal_distribution<double> normal;
  Matrix directions(2 * kLandmarks, 3);
  for (Index i = 0; i < directions.size(); ++i) {
    directions.data()[i] = normal(random);
  }
  Matrix out(kSpecimens, 2 * kLandmarks + 1);
  for (int s = 0; s < kSpecimens; ++s) {
    RowVector shape(2 * kLandmarks);
    for (int l = 0; l < kLandmarks; ++l) {
      double t = 2 * kPi * l / kLandmarks;
      shape(2 * l) = 2 * std::cos(t) + 0.02 * normal(random);
      shape(2 * l + 1) = std::sin(t) + 0.02 * normal(random);
    }
    for (int d = 0; d < 3; ++d) {
      shape += (0.05 / (d + 1)) * normal(random) * directions.col(d).transpose();
    }
    double turn = 0.3 * normal(random), scale = 1 + 0.1 * normal(random);
    double sumSquares = 0;
    for (int l = 0; l < kLandmarks; ++l) {
      double x = shape(2 * l), y = shape(2 * l + 1);
      out(s, 2 * l) = scale * (std::cos(turn) * x - std::sin(turn) * y) + normal(random);
      out(s, 2 * l + 1) = scale * (std::sin(turn) * x + std::cos(turn) * y);
      sumSquares += x * x + y * y;
    }
    out(s, 2 * kLandmarks) = scale * std::sqrt(sumSquares);
  }
  return out;
}

const std::vector<Matrix>& sixGroups() {
  static const std::vector<Matrix> groups = [] {
    std::vector<Matrix> g;
    for (int i = 0; i < kGroups; ++i) {
      g.push_back(syntheticGroup(kSeed + static_cast<std::uint64_t>(i)));
    }
    return g;
  }();
  return groups;
}

AnalysisSettings settings() {
  AnalysisSettings s;
  s.componentsText = "2";
  s.bootValue = 10;
  return s;
}

void BM_RangeAllPairsPooled(benchmark::State& state) {
  const AnalysisAction* range = findAnalysisAction("RangeMezeyAngle");
  AnalysisRequest request;
  for (int i = 0; i < kGroups; ++i) {
    request.groups.push_back({"g" + std::to_string(i + 1), &sixGroups()[static_cast<size_t>(i)]});
  }
  request.settings = settings();
  request.seed = kSeed;
  for (auto _ : state) {
    AnalysisResult r = range->run(request, silentHost());
    benchmark::DoNotOptimize(r.text.data());
  }
  state.SetItemsProcessed(state.iterations() * 15 * 10000);
}
BENCHMARK(BM_RangeAllPairsPooled)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_RangeFifteenTwoGroupRuns(benchmark::State& state) {
  const AnalysisAction* range = findAnalysisAction("RangeMezeyAngle");
  for (auto _ : state) {
    for (size_t a = 0; a < kGroups; ++a) {
      for (size_t b = a + 1; b < kGroups; ++b) {
        AnalysisRequest request;
        request.data1 = &sixGroups()[a];
        request.data2 = &sixGroups()[b];
        request.settings = settings();
        request.seed = kSeed;
        AnalysisResult r = range->run(request, silentHost());
        benchmark::DoNotOptimize(r.text.data());
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * 15 * 10000);
}
BENCHMARK(BM_RangeFifteenTwoGroupRuns)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_HierarchySixGroups(benchmark::State& state) {
  const AnalysisAction* cpc = findAnalysisAction("RunCPC");
  AnalysisRequest request;
  for (int i = 0; i < kGroups; ++i) {
    request.groups.push_back({"g" + std::to_string(i + 1), &sixGroups()[static_cast<size_t>(i)]});
  }
  request.settings = settings();
  for (auto _ : state) {
    AnalysisResult r = cpc->run(request, silentHost());
    benchmark::DoNotOptimize(r.text.data());
  }
}
BENCHMARK(BM_HierarchySixGroups)->Unit(benchmark::kMillisecond);

double peakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// range(0): 0 for BootMezeyAngle, 1 for RangeMezeyAngle; range(1): groups.
void BM_ManyGroups(benchmark::State& state) {
  const AnalysisAction* action =
      findAnalysisAction(state.range(0) == 0 ? "BootMezeyAngle" : "RangeMezeyAngle");
  const auto groups = static_cast<size_t>(state.range(1));
  std::vector<Matrix> data;
  for (size_t i = 0; i < groups; ++i) {
    data.push_back(syntheticGroup(kSeed + 100 + i));
  }
  AnalysisRequest request;
  for (size_t i = 0; i < groups; ++i) {
    request.groups.push_back({"g" + std::to_string(i + 1), &data[i]});
  }
  request.settings = settings();
  request.settings.bootValue = 1;
  request.seed = kSeed;
  size_t csvBytes = 0;
  request.pairFinished = [&](const GroupComparison& c, const GroupPair& p,
                             const ResamplingResult& r) {
    csvBytes += pairReplicateRows(c, p, r).size();
  };
  double before = peakResidentMegabytes();
  for (auto _ : state) {
    AnalysisResult r = action->run(request, silentHost());
    benchmark::DoNotOptimize(r.text.data());
  }
  state.counters["pairs"] = static_cast<double>(groups * (groups - 1) / 2);
  state.counters["csv_MB"] = static_cast<double>(csvBytes) / 1e6;
  state.counters["rss_before_MB"] = before;
  state.counters["peak_rss_MB"] = peakResidentMegabytes();
}
BENCHMARK(BM_ManyGroups)
    ->ArgNames({"range", "groups"})
    ->Args({0, 50})
    ->Args({0, 200})
    ->Args({1, 200})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace
}  // namespace vexmoor

BENCHMARK_MAIN();
