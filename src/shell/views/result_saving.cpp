#include "shell/views/result_saving.h"

#include <qcustomplot.h>

#include <QFileDialog>
#include <algorithm>
#include <filesystem>

#include "graphics/graphics_system.h"
#include "graphics/message_box.h"
#include "io/output_file.h"
#include "plot/picture_file.h"
#include "runtime/error.h"
#include "runtime/text.h"
#include "shell/session/file_dialog.h"
#include "shell/views/histogram_window.h"

namespace vexmoor {
namespace {

std::string lowerExtension(const std::string& path) {
  std::string e = std::filesystem::path(path).extension().string();
  std::transform(e.begin(), e.end(), e.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return e;
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

// In front of the window that saved, until the user has read it.
void report(QWidget* parent, const std::exception& e) {
  graphics::modalMessageBox(parent, e.what(), "Vexmoor");
}

std::function<void(const std::string&)>& saveReporter() {
  static std::function<void(const std::string&)> reporter;
  return reporter;
}

void reportSaved(const std::string& line) {
  if (saveReporter()) {
    saveReporter()(line);
  }
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

void saveResultAs(const std::string& path, ResultFormat format, const RunOutput& output) {
  switch (format) {
    case ResultFormat::kText:
      writeOutputFile(path, output.text() + "\n");
      break;
    case ResultFormat::kJson:
      writeOutputFile(path, output.json + "\n");
      break;
    case ResultFormat::kReplicatesCsv: {
      std::string csv = output.replicatesCsv();
      if (csv.empty()) {
        throw Error(actionLabel(output.result.action) +
                    " draws no replicates; save its text or JSON instead");
      }
      writeOutputFile(path, csv);
      break;
    }
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

namespace {

std::optional<SaveDialogAnswer> desktopSaveDialog(QWidget* parent, const SaveDialogRequest& r) {
  QString selected;
  QString path = QFileDialog::getSaveFileName(parent, QString::fromStdString(r.title),
                                              QString::fromStdString(r.defaultName),
                                              QString::fromStdString(r.filters), &selected);
  if (path.isEmpty()) {
    return std::nullopt;
  }
  return SaveDialogAnswer{path.toStdString(), selected.toStdString()};
}

SaveDialog& currentSaveDialog() {
  static SaveDialog dialog = desktopSaveDialog;
  return dialog;
}

}  // namespace

SaveDialog setSaveDialog(SaveDialog dialog) {
  SaveDialog previous = currentSaveDialog();
  currentSaveDialog() = dialog ? std::move(dialog) : SaveDialog(desktopSaveDialog);
  return previous;
}

std::optional<SaveDialogAnswer> askWhereToSave(QWidget* parent, const SaveDialogRequest& request) {
  SaveDialogRequest inFolder = request;
  inFolder.defaultName = inRecentFolder(request.defaultName);
  std::optional<SaveDialogAnswer> answer = currentSaveDialog()(parent, inFolder);
  if (answer) {
    noteRecentFile(answer->path);
  }
  return answer;
}

std::string withFilterExtension(const std::string& path, const std::string& filter) {
  size_t star = filter.find("(*.");
  if (std::filesystem::path(path).has_extension() || star == std::string::npos) {
    return path;
  }
  size_t end = filter.find_first_of(" )", star + 3);
  return path + filter.substr(star + 2, end == std::string::npos ? end : end - star - 2);
}

void setSaveReporter(std::function<void(const std::string& line)> reporter) {
  saveReporter() = std::move(reporter);
}

void saveResult(QWidget* parent, const RunOutput& output) {
  std::string filters = "Result text (*.txt);;JSON (*.json)";
  if (output.result.resampling) {
    filters += ";;Replicates as CSV (*.csv)";
  }
  std::optional<SaveDialogAnswer> answer =
      askWhereToSave(parent, {"Save result", "result.txt", filters});
  if (!answer) {
    return;
  }
  const std::string& selected = answer->filter;
  std::string path = withFilterExtension(answer->path, selected);
  ResultFormat format = selected.starts_with("JSON")         ? ResultFormat::kJson
                        : selected.starts_with("Replicates") ? ResultFormat::kReplicatesCsv
                                                             : resultFormatOf(path);
  try {
    saveResultAs(path, format, output);
  } catch (const std::exception& e) {
    report(parent, e);
    return;
  }
  const char* what = format == ResultFormat::kJson            ? "the result as JSON"
                     : format == ResultFormat::kReplicatesCsv ? "the replicates as CSV"
                                                              : "the result text";
  reportSaved(std::string("Saved ") + what + " to " + escapeNonPrintable(path));
}

namespace {

void savePicture(QWidget* parent, const char* title, const char* what,
                 void (*save)(const std::string&)) {
  std::optional<SaveDialogAnswer> answer =
      askWhereToSave(parent, {title, "plot.svg", "SVG (*.svg);;PNG (*.png);;PDF (*.pdf)"});
  if (!answer) {
    return;
  }
  std::string path = withFilterExtension(answer->path, answer->filter);
  try {
    save(path);
  } catch (const std::exception& e) {
    report(parent, e);
    return;
  }
  reportSaved(std::string("Saved ") + what + " to " + escapeNonPrintable(path));
}

}  // namespace

void saveGroupPlot(QWidget* parent) {
  savePicture(parent, "Save plot", "the plot", &saveGroupPlotAs);
}

void saveHistogramPlot(QWidget* parent) {
  savePicture(parent, "Save histograms", "the histograms", &saveHistogramPlotAs);
}

}  // namespace vexmoor
