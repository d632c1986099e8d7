#include "batch_picture.h"

#include <qcustomplot.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "plot/picture_file.h"
#include "plot/replicate_histogram.h"
#include "plot/showshape.h"
#include "runtime/graphics/graphics_system.h"
#include "runtime/graphics/plotting.h"
#include "shape/group_consensus3d.h"

namespace vexmoor {
namespace {

constexpr QSize kGroupsSize(480, 400);

void startQt(const char* program) {
  if (QApplication::instance()) {
    return;
  }
  // Without a display Qt would stop the process; draw offscreen instead.
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
      !std::getenv("WAYLAND_DISPLAY")) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  static int argc = 1;
  static char* argv[] = {const_cast<char*>(program), nullptr};
  static std::unique_ptr<QApplication> app = std::make_unique<QApplication>(argc, argv);
}

Matrix columnMeans(const Matrix& x) {
  return x.colwise().mean();
}

void drawGroups(const BatchPicture& p, const std::string& path, PictureFormat format) {
  graphics::Figure& figure = graphics::graphics().newPlotWindow();
  figure.window()->hide();
  figure.window()->resize(kGroupsSize);
  graphics::Axes& axes = graphics::graphics().gca();
  if (!p.threeD) {
    showshape(p.data1, "bo");
    showshape(columnMeans(p.data1), "b<");
    showshape(p.data2, "rs");
    showshape(columnMeans(p.data2), "r*");
  } else {
    // The window shows each group's consensus in a window of its own; one
    // picture holds both here, group 2 in red.
    showshape3D(LandmarkArray(groupConsensus3D(p.data1)), "gp");
    showshape3D(LandmarkArray(groupConsensus3D(p.data2)), "rp");
  }
  graphics::axis(axes, "auto");
  graphics::axis(axes, "equal");
  writePicture(path, format, kGroupsSize, paintAxes(axes));
  graphics::graphics().closeAll();
}

void drawHistograms(const ResamplingResult& r, const std::string& title, const std::string& path,
                    PictureFormat format) {
  QCustomPlot plot;
  QSize size = histogramPictureSize(r);
  plot.resize(size);
  drawReplicateHistograms(plot, r, title);
  writePicture(path, format, size, paintPlot(plot));
}

}  // namespace

PictureWriter pictureWriter(const char* program) {
  return [program](const BatchPicture& p, const std::string& path, const std::string& extension) {
    startQt(program);
    PictureFormat format = pictureFormatOf("picture" + extension);
    if (p.result.resampling) {
      // Titled as the window titles them: the first line of the range
      // test's text names another test.
      drawHistograms(*p.result.resampling, actionLabel(p.result.action), path, format);
    } else {
      drawGroups(p, path, format);
    }
  };
}

}  // namespace vexmoor
