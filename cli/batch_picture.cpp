#include "batch_picture.h"

#include <qcustomplot.h>

#include <QApplication>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "api/group_views.h"
#include "graphics/graphics_system.h"
#include "plot/component_plots.h"
#include "plot/covariance_pictures.h"
#include "plot/group_shapes.h"
#include "plot/picture_caption.h"
#include "plot/picture_file.h"
#include "plot/replicate_histogram.h"
#include "runtime/text.h"

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
  if (message.startsWith(QLatin1String("QThread::start: Thread creation error"))) {
    // Qt fills a picture's large areas in threads of its pool and waits for
    // one that never started without end; no output has been written yet.
    std::fprintf(
        stderr,
        "error: option --plot: no thread can be started to draw the picture%s; the "
        "limit on processes and threads (ulimit -u) or on memory (ulimit -v) is reached\n",
        escapeNonPrintable(message.mid(message.indexOf('(')).prepend(' ').toStdString()).c_str());
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

QByteArray drawGroups(const BatchPicture& p, PictureFormat format) {
  graphics::Figure& figure = graphics::graphics().newPlotWindow();
  figure.window()->hide();
  figure.window()->resize(kGroupsSize);
  graphics::Axes& axes = graphics::graphics().gca();
  // The window shows each three-dimensional group's consensus in a window
  // of its own as well; one picture holds both here.
  std::array<Matrix, 2> consensus;
  std::array<GroupShapes, 2> groups;
  const std::array<const Matrix*, 2> data{&p.data1, &p.data2};
  const std::array<const std::string*, 2> files{&p.run.group1.file, &p.run.group2.file};
  for (size_t g = 0; g < 2; ++g) {
    if (p.threeD) {
      consensus[g] = groupConsensus3D(*data[g]);
    }
    groups[g] = {data[g], std::filesystem::path(*files[g]).filename().string(), false,
                 p.threeD ? &consensus[g] : nullptr};
  }
  drawGroupShapes(axes, groups, p.threeD);
  QByteArray bytes = pictureBytes(format, kGroupsSize, paintAxes(axes));
  graphics::graphics().closeAll();
  return bytes;
}

QByteArray drawHistograms(const ResamplingResult& r, const std::string& title,
                          const std::string& caption, PictureFormat format) {
  QCustomPlot plot;
  QSize size = histogramPictureSize(r, true);
  plot.resize(size);
  drawReplicateHistograms(plot, r, title, caption);
  return pictureBytes(format, size, paintPlot(plot));
}

QByteArray drawComponents(const PrincipalComponents& pc, const std::string& caption,
                          PictureFormat format) {
  QCustomPlot plot;
  QSize size = componentsPageSize(true);
  plot.resize(size);
  GroupNames names;
  for (const GroupComponents& g : pc.groups) {
    names.push_back(g.label);
  }
  drawComponentsPage(plot, pc, names, kDefaultDeviations, caption);
  return pictureBytes(format, size, paintPlot(plot));
}

QByteArray drawCovariance(const CovarianceResult& c, PictureFormat format) {
  QCustomPlot plot;
  QSize size = covariancePageSize(c);
  plot.resize(size);
  drawCovariancePage(plot, c);
  return pictureBytes(format, size, paintPlot(plot));
}

}  // namespace

PictureWriter pictureWriter(const char* program, bool diagnostics) {
  g_qtDiagnostics = diagnostics;
  return [program](const BatchPicture& p, const std::string& extension) {
    startQt(program);
    PictureFormat format = pictureFormatOf("picture" + extension);
    std::string caption = pictureCaption(p.result, p.run);
    // Histograms are titled as the window titles them: the first line of the
    // range test's text names another test.
    QByteArray bytes =
        p.result.covariance   ? drawCovariance(*p.result.covariance, format)
        : p.result.components ? drawComponents(*p.result.components, caption, format)
        : p.result.resampling
            ? drawHistograms(*p.result.resampling, actionLabel(p.result.action), caption, format)
            : drawGroups(p, format);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
  };
}

}  // namespace vexmoor
