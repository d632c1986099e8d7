#include "batch_picture.h"

#include <qcustomplot.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "plot/component_plots.h"
#include "plot/picture_file.h"
#include "plot/replicate_histogram.h"
#include "plot/showshape.h"
#include "runtime/graphics/graphics_system.h"
#include "runtime/graphics/plotting.h"
#include "runtime/text.h"
#include "shape/group_consensus3d.h"

namespace vexmoor {
namespace {

constexpr QSize kGroupsSize(480, 400);

// Qt's own remarks (a missing XDG_RUNTIME_DIR, fonts, platform plugins)
// are no lines of this program: they reach standard error only with
// --diagnostics. A failure that matters comes back as an error of the
// picture code.
bool g_qtDiagnostics = false;

void qtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg) {
    // Qt cannot go on; end as every failure ends, with one error line.
    std::fprintf(stderr, "error: %s\n", escapeNonPrintable(message.toStdString()).c_str());
    std::_Exit(1);
  }
  if (g_qtDiagnostics) {
    std::fprintf(stderr, "note: qt: %s\n", escapeNonPrintable(message.toStdString()).c_str());
  }
}

void startQt(const char* program) {
  if (QApplication::instance()) {
    return;
  }
  qInstallMessageHandler(qtMessage);
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

QByteArray drawGroups(const BatchPicture& p, PictureFormat format) {
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
  QByteArray bytes = pictureBytes(format, kGroupsSize, paintAxes(axes));
  graphics::graphics().closeAll();
  return bytes;
}

QByteArray drawHistograms(const ResamplingResult& r, const std::string& title,
                          PictureFormat format) {
  QCustomPlot plot;
  QSize size = histogramPictureSize(r);
  plot.resize(size);
  drawReplicateHistograms(plot, r, title);
  return pictureBytes(format, size, paintPlot(plot));
}

QByteArray drawComponents(const PrincipalComponents& pc, PictureFormat format) {
  QCustomPlot plot;
  QSize size = componentsPageSize();
  plot.resize(size);
  GroupNames names;
  for (const GroupComponents& g : pc.groups) {
    names.push_back(g.label);
  }
  drawComponentsPage(plot, pc, names);
  return pictureBytes(format, size, paintPlot(plot));
}

}  // namespace

PictureWriter pictureWriter(const char* program, bool diagnostics) {
  g_qtDiagnostics = diagnostics;
  return [program](const BatchPicture& p, const std::string& extension) {
    startQt(program);
    PictureFormat format = pictureFormatOf("picture" + extension);
    // Histograms are titled as the window titles them: the first line of the
    // range test's text names another test.
    QByteArray bytes = p.result.components   ? drawComponents(*p.result.components, format)
                       : p.result.resampling ? drawHistograms(*p.result.resampling,
                                                              actionLabel(p.result.action), format)
                                             : drawGroups(p, format);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
  };
}

}  // namespace vexmoor
