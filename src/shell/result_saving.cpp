#include "shell/result_saving.h"

#include <qcustomplot.h>

#include <QFileDialog>
#include <QMessageBox>
#include <QSaveFile>
#include <algorithm>
#include <filesystem>

#include "actions/replicate_table.h"
#include "plot/picture_file.h"
#include "runtime/error.h"
#include "runtime/graphics/graphics_system.h"
#include "runtime/text.h"
#include "shell/histogram_window.h"

namespace vexmoor {
namespace {

std::string lowerExtension(const std::string& path) {
  std::string e = std::filesystem::path(path).extension().string();
  std::transform(e.begin(), e.end(), e.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return e;
}

void writeWhole(const std::string& path, const std::string& content) {
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(content.data(), static_cast<qint64>(content.size())) !=
          static_cast<qint64>(content.size()) ||
      !file.commit()) {
    throw Error("cannot write \"" + escapeNonPrintable(path) +
                "\": " + file.errorString().toStdString());
  }
}

// The axes of the main window: the one of the first window that has axes.
graphics::Axes* groupAxes() {
  for (graphics::Figure* f : graphics::graphics().figures()) {
    for (graphics::GraphicsObject* o : f->children()) {
      if (auto* axes = dynamic_cast<graphics::Axes*>(o)) {
        return axes;
      }
    }
  }
  return nullptr;
}

void report(QWidget* parent, const std::exception& e) {
  QMessageBox::warning(parent, "Vexmoor", QString::fromStdString(e.what()));
}

}  // namespace

ResultFormat resultFormatOf(const std::string& path) {
  std::string e = lowerExtension(path);
  if (e == ".json")
    return ResultFormat::kJson;
  if (e == ".csv")
    return ResultFormat::kReplicatesCsv;
  return ResultFormat::kText;
}

void saveResultAs(const std::string& path, ResultFormat format, const AnalysisResult& result,
                  const RunDescription& run) {
  switch (format) {
    case ResultFormat::kText:
      writeWhole(path, result.text + "\n");
      break;
    case ResultFormat::kJson:
      writeWhole(path, resultJson(result, run) + "\n");
      break;
    case ResultFormat::kReplicatesCsv:
      if (!result.resampling) {
        throw Error(result.action + " draws no replicates; save its text or JSON instead");
      }
      writeWhole(path, replicateCsv(*result.resampling));
      break;
  }
}

void saveGroupPlotAs(const std::string& path) {
  PictureFormat format = pictureFormatOf(path);
  graphics::Axes* axes = groupAxes();
  if (!axes || !axes->canvas()) {
    throw Error("there is no plot to save");
  }
  QSize size = axes->canvas()->size().expandedTo(QSize(200, 150));
  writePicture(path, format, size, paintAxes(*axes));
}

void saveHistogramPlotAs(const std::string& path) {
  PictureFormat format = pictureFormatOf(path);
  HistogramWindow* w = existingHistogramWindow();
  if (!w || !w->hasResult()) {
    throw Error("there are no histograms to save: run a resampling test first");
  }
  writePicture(path, format, w->pictureSize(), paintPlot(w->plot()));
}

void saveResult(QWidget* parent, const AnalysisResult& result, const RunDescription& run) {
  QString filters = "Result text (*.txt);;JSON (*.json)";
  if (result.resampling) {
    filters += ";;Replicates as CSV (*.csv)";
  }
  QString selected;
  QString path =
      QFileDialog::getSaveFileName(parent, "Save result", "result.txt", filters, &selected);
  if (path.isEmpty()) {
    return;
  }
  ResultFormat format = selected.startsWith("JSON")         ? ResultFormat::kJson
                        : selected.startsWith("Replicates") ? ResultFormat::kReplicatesCsv
                                                            : resultFormatOf(path.toStdString());
  try {
    saveResultAs(path.toStdString(), format, result, run);
  } catch (const std::exception& e) {
    report(parent, e);
  }
}

namespace {

void savePicture(QWidget* parent, const char* title, void (*save)(const std::string&)) {
  QString path = QFileDialog::getSaveFileName(parent, title, "plot.svg",
                                              "SVG (*.svg);;PNG (*.png);;PDF (*.pdf)");
  if (path.isEmpty()) {
    return;
  }
  try {
    save(path.toStdString());
  } catch (const std::exception& e) {
    report(parent, e);
  }
}

}  // namespace

void saveGroupPlot(QWidget* parent) {
  savePicture(parent, "Save plot", &saveGroupPlotAs);
}

void saveHistogramPlot(QWidget* parent) {
  savePicture(parent, "Save histograms", &saveHistogramPlotAs);
}

}  // namespace vexmoor
