// Drawing a group plot of 200 specimens of 60 landmarks: 12,000 line
// objects of one point each, as showshape makes them.
#include <benchmark/benchmark.h>

#include <random>

#include "graphics/graphics_system.h"
#include "plot/showshape.h"

namespace {

using namespace vexmoor;

constexpr int kSpecimens = 200;
constexpr int kLandmarks = 60;

Matrix specimens() {
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 0.05);
  Matrix x(kSpecimens, 2 * kLandmarks + 1);
  for (Index i = 0; i < x.rows(); ++i) {
    for (Index j = 0; j < kLandmarks; ++j) {
      double a = 2 * kPi * double(j) / kLandmarks;
      x(i, 2 * j) = std::cos(a) + noise(random);
      x(i, 2 * j + 1) = 0.6 * std::sin(a) + noise(random);
    }
    x(i, x.cols() - 1) = 1;
  }
  return x;
}

graphics::Axes& groupPlot() {
  graphics::graphics().closeAll();
  graphics::Figure& f = graphics::graphics().newPlotWindow();
  f.window()->resize(800, 600);
  showshape(specimens(), "bo");
  graphics::Axes& axes = graphics::graphics().gca();
  axes.replotNow();
  return axes;
}

// Rebuilding the drawing from the line objects and drawing it, as after
// any change of the plot (a restyling, a new group).
void BM_ReplotAfterChange(benchmark::State& state) {
  graphics::Axes& axes = groupPlot();
  for (auto _ : state) {
    axes.markDirty();
    axes.replotNow();
  }
  state.counters["objects"] = double(axes.children().size());
}
BENCHMARK(BM_ReplotAfterChange)->Unit(benchmark::kMillisecond);

// Drawing again without a change (a resize, an expose).
void BM_Redraw(benchmark::State& state) {
  graphics::Axes& axes = groupPlot();
  for (auto _ : state) {
    axes.canvas()->replot(QCustomPlot::rpImmediateRefresh);
  }
}
BENCHMARK(BM_Redraw)->Unit(benchmark::kMillisecond);

// Making the 12,000 objects and the first drawing.
void BM_ShowshapeAndDraw(benchmark::State& state) {
  Matrix x = specimens();
  graphics::Figure& f = graphics::graphics().newPlotWindow();
  f.window()->resize(800, 600);
  for (auto _ : state) {
    graphics::Axes& axes = graphics::graphics().gca();
    graphics::graphics().removeChildren(axes);
    showshape(x, "bo");
    axes.replotNow();
  }
  graphics::graphics().closeAll();
}
BENCHMARK(BM_ShowshapeAndDraw)->Unit(benchmark::kMillisecond);

}  // namespace
