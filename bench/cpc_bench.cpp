// Time of the RunCPC action (preparation and the whole model hierarchy) for
// 12 shape variables (the bundled gorilla skulls, 8 landmarks) and for 40,
// 100 and 400 (generated groups), and of the hierarchy of six groups.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "analyses/analysis_actions.h"
#include "compare/analysis_input.h"
#include "compare/principal_axes.h"
#include "cpc/model_hierarchy.h"
#include "io/landmark_file.h"

namespace vexmoor {
namespace {

// n specimens of k landmarks around an ellipse, each moved by a few smooth
// deformations whose sizes differ between the groups, plus noise; the last
// column holds the centroid size.
Matrix generatedGroup(Index n, Index k, double stretch, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> normal;
  Matrix data(n, 2 * k + 1);
  for (Index s = 0; s < n; ++s) {
    double a = 0.15 * stretch * normal(gen), b = 0.1 * normal(gen), c = 0.05 * normal(gen);
    for (Index i = 0; i < k; ++i) {
      double t = 2 * kPi * static_cast<double>(i) / static_cast<double>(k);
      double x = (2 + a) * std::cos(t) + c * std::cos(3 * t) + 0.02 * normal(gen);
      double y = (1 + b) * std::sin(t) + c * stretch * std::sin(2 * t) + 0.02 * normal(gen);
      data(s, 2 * i) = x;
      data(s, 2 * i + 1) = y;
    }
    data(s, 2 * k) = 1.0;
  }
  return data;
}

void runCpcAction(benchmark::State& state, const Matrix& group1, const Matrix& group2) {
  const AnalysisAction* action = findAnalysisAction("RunCPC");
  AnalysisRequest request;
  request.data1 = &group1;
  request.data2 = &group2;
  for (auto _ : state) {
    benchmark::DoNotOptimize(action->run(request, silentHost()));
  }
}

void BM_RunCpc12Variables(benchmark::State& state) {
  static const Matrix females = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt");
  static const Matrix males = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt");
  runCpcAction(state, females, males);
}
BENCHMARK(BM_RunCpc12Variables)->Unit(benchmark::kMillisecond);

void BM_RunCpc40Variables(benchmark::State& state) {
  static const Matrix group1 = generatedGroup(60, 22, 1.0, 1);
  static const Matrix group2 = generatedGroup(55, 22, 2.0, 2);
  runCpcAction(state, group1, group2);
}
BENCHMARK(BM_RunCpc40Variables)->Unit(benchmark::kMillisecond);

// 100 and 400 shape variables (52 and 202 landmarks), more specimens than
// variables so that the covariance matrices are regular. The larger one is
// timed once: its F-G sweeps dominate.
void BM_RunCpc100Variables(benchmark::State& state) {
  static const Matrix group1 = generatedGroup(130, 52, 1.0, 3);
  static const Matrix group2 = generatedGroup(120, 52, 2.0, 4);
  runCpcAction(state, group1, group2);
}
BENCHMARK(BM_RunCpc100Variables)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_RunCpc400Variables(benchmark::State& state) {
  static const Matrix group1 = generatedGroup(450, 202, 1.0, 5);
  static const Matrix group2 = generatedGroup(430, 202, 2.0, 6);
  runCpcAction(state, group1, group2);
}
BENCHMARK(BM_RunCpc400Variables)->Unit(benchmark::kMillisecond)->Iterations(1);

// The k-group hierarchy of six groups of 12 variables.
void BM_KGroupHierarchy6x12(benchmark::State& state) {
  std::vector<Matrix> s;
  std::vector<double> n;
  for (unsigned g = 0; g < 6; ++g) {
    Matrix data = generatedGroup(30 + 3 * g, 8, 1.0 + 0.2 * g, 10 + g);
    AnalysisInput in =
        prepareAnalysis(&data, &data, AnalysisSettings{}, ConsensusRounding::kFourDecimals,
                        ComponentsText::kIgnore, silentHost());
    s.push_back(covariance(in.x1));
    n.push_back(static_cast<double>(in.m1));
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(fitModelHierarchy(s, n));
  }
}
BENCHMARK(BM_KGroupHierarchy6x12)->Unit(benchmark::kMillisecond);

// The hierarchy alone on the 40 generated variables, without the preparation.
void BM_FluryAic40Variables(benchmark::State& state) {
  Matrix group1 = generatedGroup(60, 22, 1.0, 1);
  Matrix group2 = generatedGroup(55, 22, 2.0, 2);
  AnalysisInput in =
      prepareAnalysis(&group1, &group2, AnalysisSettings{}, ConsensusRounding::kFourDecimals,
                      ComponentsText::kIgnore, silentHost());
  Matrix s1 = covariance(in.x1);
  Matrix s2 = covariance(in.x2);
  state.counters["variables"] = static_cast<double>(s1.rows());
  for (auto _ : state) {
    benchmark::DoNotOptimize(flury_aic(s1, s2, 60, 55));
  }
}
BENCHMARK(BM_FluryAic40Variables)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexmoor

BENCHMARK_MAIN();
