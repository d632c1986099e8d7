// PrincipalComponents on two groups of 50 specimens of 100 two-dimensional
// landmarks (196 shape variables, k = 2): the numbers alone, and the
// numbers with the --plot page written as a PNG, as the batch front end
// does it. The goal is under 0.2 s including the picture.
#include <benchmark/benchmark.h>
#include <qcustomplot.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "analyses/analysis_actions.h"
#include "plot/component_plots.h"
#include "plot/picture_file.h"

namespace {

using namespace vexmoor;

constexpr int kSpecimens = 50;
constexpr int kLandmarks = 100;

Matrix group(unsigned seed, double stretch) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0.0, 0.03);
  Matrix x(kSpecimens, 2 * kLandmarks + 1);
  for (Index i = 0; i < x.rows(); ++i) {
    double bend = noise(random) * 3;
    for (Index j = 0; j < kLandmarks; ++j) {
      double a = 2 * kPi * double(j) / kLandmarks;
      x(i, 2 * j) = stretch * std::cos(a) + noise(random);
      x(i, 2 * j + 1) = 0.6 * std::sin(a) + bend * std::cos(2 * a) + noise(random);
    }
    x(i, x.cols() - 1) = 1;
  }
  return x;
}

AnalysisRequest request(const Matrix& a, const Matrix& b) {
  AnalysisRequest r;
  r.data1 = &a;
  r.data2 = &b;
  r.settings.componentsText = "2";
  return r;
}

void BM_PrincipalComponents(benchmark::State& state) {
  Matrix a = group(7, 1.0), b = group(8, 1.1);
  const AnalysisAction* action = findAnalysisAction("PrincipalComponents");
  for (auto _ : state) {
    AnalysisResult r = action->run(request(a, b), silentHost());
    benchmark::DoNotOptimize(r.components->pairs.front().angle);
  }
}
BENCHMARK(BM_PrincipalComponents)->Unit(benchmark::kMillisecond);

// Argument: 0 PNG, 1 SVG, 2 PDF.
void BM_PrincipalComponentsWithPicture(benchmark::State& state) {
  Matrix a = group(7, 1.0), b = group(8, 1.1);
  const AnalysisAction* action = findAnalysisAction("PrincipalComponents");
  const char* extensions[] = {".png", ".svg", ".pdf"};
  std::string path = (std::filesystem::temp_directory_path() /
                      ("vexmoor_bench_" + std::to_string(::getpid()) + extensions[state.range(0)]))
                         .string();
  PictureFormat format = pictureFormatOf(path);
  for (auto _ : state) {
    AnalysisResult r = action->run(request(a, b), silentHost());
    QCustomPlot plot;
    QSize size = componentsPageSize();
    plot.resize(size);
    drawComponentsPage(plot, *r.components, {"group 1", "group 2"});
    writePicture(path, format, size, paintPlot(plot));
  }
  state.SetLabel(extensions[state.range(0)] + 1);
  std::filesystem::remove(path);
}
BENCHMARK(BM_PrincipalComponentsWithPicture)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
