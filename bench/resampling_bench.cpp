// Speed of the resampling tests with v = 10 (10,000 replicates):
// - the range test on the bundled gorilla groups (12 shape variables), also
//   with v = 30 (90,000 replicates), a tenth of a million-replicate run;
// - the bootstrap test on two synthetic groups of 40 specimens with 30
//   landmarks (56 shape variables) and with 50 landmarks (96).
// Replicates per second are reported as items per second; the CPU column is
// the whole process's CPU time, all threads together, which tells what the
// run costs when other work shares the cores. Also the leading-axes solver
// against a full decomposition, at 56 variables.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "compare/analysis_input.h"
#include "compare/leading_axes.h"
#include "compare/resampling_replicates.h"
#include "compare/resampling_tests.h"
#include "io/landmark_file.h"

namespace vexmoor {
namespace {

constexpr int kBootValue = 10;
constexpr std::uint64_t kSeed = 20240601;

AnalysisInput prepared(const Matrix& g1, const Matrix& g2, int k) {
  AnalysisSettings settings;
  settings.componentsText = std::to_string(k);
  return prepareAnalysis(&g1, &g2, settings, ConsensusRounding::kNone, ComponentsText::kRead,
                         silentHost());
}

// A group of specimens around an ellipse of `landmarks` points, each moved,
// turned and scaled at random, with a few directions of shape variation of
// the group's own. Last column: the centroid size.
Matrix syntheticGroup(int specimens, int landmarks, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::normal_distribution<double> normal;
  Matrix directions(2 * landmarks, 3);
  for (Index i = 0; i < directions.size(); ++i) {
    directions.data()[i] = normal(random);
  }
  Matrix out(specimens, 2 * landmarks + 1);
  for (int s = 0; s < specimens; ++s) {
    RowVector shape(2 * landmarks);
    for (int l = 0; l < landmarks; ++l) {
      double t = 2 * kPi * l / landmarks;
      shape(2 * l) = 2 * std::cos(t) + 0.02 * normal(random);
      shape(2 * l + 1) = std::sin(t) + 0.02 * normal(random);
    }
    for (int d = 0; d < 3; ++d) {
      shape += (0.05 / (d + 1)) * normal(random) * directions.col(d).transpose();
    }
    double turn = 0.3 * normal(random), scale = 1 + 0.1 * normal(random);
    double dx = normal(random), dy = normal(random);
    double sumSquares = 0;
    for (int l = 0; l < landmarks; ++l) {
      double x = shape(2 * l), y = shape(2 * l + 1);
      out(s, 2 * l) = scale * (std::cos(turn) * x - std::sin(turn) * y) + dx;
      out(s, 2 * l + 1) = scale * (std::sin(turn) * x + std::cos(turn) * y) + dy;
      sumSquares += scale * scale * (x * x + y * y);
    }
    out(s, 2 * landmarks) = std::sqrt(sumSquares);
  }
  return out;
}

void reportReplicates(benchmark::State& state, Index perRun) {
  state.SetItemsProcessed(state.iterations() * perRun);
}

void BM_RangeTestGorilla(benchmark::State& state) {
  Matrix g1 = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt");
  Matrix g2 = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt");
  AnalysisInput in = prepared(g1, g2, 2);
  const int v = static_cast<int>(state.range(0));
  ResamplingOptions options{v, kSeed, nullptr, static_cast<int>(state.range(1))};
  for (auto _ : state) {
    benchmark::DoNotOptimize(rangeMezeyAngleText(in, options, silentHost()));
  }
  reportReplicates(state, replicateCount(ResamplingTest::kRange, v));
}
BENCHMARK(BM_RangeTestGorilla)
    ->ArgNames({"v", "threads"})
    ->Args({kBootValue, 0})
    ->Args({kBootValue, 1})
    ->Args({30, 0})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);
// A million replicates (v = 100), the size of a publication-grade run.
BENCHMARK(BM_RangeTestGorilla)
    ->Name("BM_RangeTestGorillaMillion")
    ->ArgNames({"v", "threads"})
    ->Args({100, 0})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1);

void BM_BootTestSynthetic(benchmark::State& state) {
  const int landmarks = static_cast<int>(state.range(2));
  Matrix g1 = syntheticGroup(40, landmarks, 1);
  Matrix g2 = syntheticGroup(40, landmarks, 2);
  AnalysisInput in = prepared(g1, g2, static_cast<int>(state.range(0)));
  ResamplingOptions options{kBootValue, kSeed, nullptr, static_cast<int>(state.range(1))};
  for (auto _ : state) {
    benchmark::DoNotOptimize(bootMezeyAngleText(in, options, silentHost()));
  }
  reportReplicates(state, replicateCount(ResamplingTest::kBoot, kBootValue));
}
BENCHMARK(BM_BootTestSynthetic)
    ->ArgNames({"k", "threads", "landmarks"})
    ->Args({2, 0, 30})
    ->Args({5, 0, 30})
    ->Args({2, 1, 30})
    ->Args({2, 0, 50})
    ->Args({2, 1, 50})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2);

Matrix covarianceOf56() {
  Matrix g = syntheticGroup(40, 30, 3).leftCols(56);
  Matrix centred = g.rowwise() - g.colwise().mean();
  return centred.transpose() * centred / 39.0;
}

void BM_LeadingAxes56(benchmark::State& state) {
  Matrix c = covarianceOf56();
  LeadingAxesSolver solver;
  for (auto _ : state) {
    solver.compute(c, static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(solver.axes().data());
  }
}
BENCHMARK(BM_LeadingAxes56)->ArgName("k")->Arg(2)->Arg(5)->Unit(benchmark::kMicrosecond);

void BM_FullDecomposition56(benchmark::State& state) {
  Matrix c = covarianceOf56();
  Eigen::SelfAdjointEigenSolver<Matrix> eig(56);
  for (auto _ : state) {
    eig.compute(c);
    benchmark::DoNotOptimize(eig.eigenvectors().data());
  }
}
BENCHMARK(BM_FullDecomposition56)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vexmoor

BENCHMARK_MAIN();
