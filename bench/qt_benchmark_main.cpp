// main() of the benchmarks that draw: a Qt application around Google
// Benchmark, measured without a display unless one is asked for.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "graphics/graphics_system.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vexmoor::graphics::graphics().closeAll();
  return 0;
}
