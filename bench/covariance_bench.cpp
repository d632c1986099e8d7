// Time of the covariance analyses at their intended sizes: the distances of
// 200 groups' matrices, the relative-eigenanalysis bootstrap on the
// Tropheus example at v = 10 (100·v² replicates), random skewers with 10⁵
// vectors on 100 variables, and the common subspace of 200 groups with its
// null at v = 10. Resampling runs on all cores.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "covariance/common_subspace.h"
#include "covariance/covariance_distances.h"
#include "covariance/random_skewers.h"
#include "covariance/relative_eigenanalysis.h"

#define VEXMOOR_TEST_DATA VEXMOOR_EXAMPLES "/../tests/data"
#include "../tests/covariance/tropheus.h"

namespace vexmoor {
namespace {

constexpr Index kReplicatesAtV10 = 10000;

// `groups` groups of n specimens on p variables, each with its own
// covariance structure.
CovarianceInput generatedGroups(int groups, Index n, Index p) {
  std::mt19937 gen(7);
  std::normal_distribution<double> normal;
  std::vector<CovarianceGroup> out;
  for (int g = 0; g < groups; ++g) {
    Matrix mix(p, p), x(n, p);
    for (Index i = 0; i < p * p; ++i) {
      mix(i) = normal(gen);
    }
    for (Index i = 0; i < n * p; ++i) {
      x(i) = normal(gen);
    }
    out.push_back({"group " + std::to_string(g + 1), x * mix, {}});
  }
  return prepareCovarianceInput(out, {});
}

void BM_CovarianceDistances200Groups(benchmark::State& state) {
  static const CovarianceInput in = generatedGroups(200, 50, 10);
  for (auto _ : state) {
    benchmark::DoNotOptimize(covarianceDistances(in));
  }
}
BENCHMARK(BM_CovarianceDistances200Groups)->Unit(benchmark::kMillisecond);

void BM_RelativeEigenBootstrapTropheus(benchmark::State& state) {
  static const CovarianceInput in =
      prepareCovarianceInput(testing::tropheusPopulations(), {ReductionKind::kTotalComponents, 5});
  RelativeEigenOptions options;
  if (state.range(0) == 1) {
    options.pairs = {{0, 5}};  // IKA1 relative to IKS5; else all 15 pairs
  }
  options.resampling = {kReplicatesAtV10, 1, nullptr, 0};
  for (auto _ : state) {
    benchmark::DoNotOptimize(relativeEigenanalysis(in, options));
  }
}
BENCHMARK(BM_RelativeEigenBootstrapTropheus)->Arg(1)->Arg(15)->Unit(benchmark::kMillisecond);

void BM_RandomSkewers100Variables(benchmark::State& state) {
  static const CovarianceInput in = generatedGroups(2, 300, 100);
  for (auto _ : state) {
    benchmark::DoNotOptimize(randomSkewers(in, {100000, 1, nullptr, 0}));
  }
}
BENCHMARK(BM_RandomSkewers100Variables)->Unit(benchmark::kMillisecond);

void BM_CommonSubspace200Groups(benchmark::State& state) {
  static const CovarianceInput in = generatedGroups(200, 50, 10);
  SubspaceOptions options;
  options.k = 3;
  options.resampling = {state.range(0), 1, nullptr, 0};
  for (auto _ : state) {
    benchmark::DoNotOptimize(commonSubspace(in, options));
  }
}
BENCHMARK(BM_CommonSubspace200Groups)
    ->Arg(0)
    ->Arg(kReplicatesAtV10)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace vexmoor

BENCHMARK_MAIN();
