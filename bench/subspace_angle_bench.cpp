// Cost of the two subspace statistics as the resampling tests pay it: once
// per replicate and group, from the raw samples.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "compare/principal_axes.h"
#include "compare/subspace_angle.h"

namespace vexmoor {
namespace {

Matrix sample(Index n, Index p, unsigned seed) {
  std::srand(seed);
  Matrix x = Matrix::Random(n, p);
  for (Index j = 0; j < p; ++j) {
    x.col(j) *= 1.0 + static_cast<double>(j);
  }
  return x;
}

// Both statistics from one decomposition per sample.
void BM_BothStatisticsShared(benchmark::State& state) {
  Index p = state.range(0);
  Matrix x1 = sample(30, p, 1), x2 = sample(29, p, 2);
  for (auto _ : state) {
    SubspaceComparison c =
        compareSubspaces(principalAxes(covariance(x1)).axes, principalAxes(covariance(x2)).axes, 3);
    benchmark::DoNotOptimize(c);
  }
}
BENCHMARK(BM_BothStatisticsShared)->Arg(12)->Arg(22)->Arg(60);

// The two calls separately, as a caller that needs both might make them.
void BM_MezeyThenKrzanowski(benchmark::State& state) {
  Index p = state.range(0);
  Matrix x1 = sample(30, p, 1), x2 = sample(29, p, 2);
  for (auto _ : state) {
    double a = mezeyangle(x1, x2, 3).angle;
    double z = krzanangle(x1, x2, 3).metric;
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(z);
  }
}
BENCHMARK(BM_MezeyThenKrzanowski)->Arg(12)->Arg(22)->Arg(60);

}  // namespace
}  // namespace vexmoor

BENCHMARK_MAIN();
