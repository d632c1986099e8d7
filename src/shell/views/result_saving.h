// Saving what an analysis gave: the result as text, JSON or the replicates
// as CSV, and plots as SVG, PNG or PDF. The *As functions write a named
// file (tests, menus); the others ask for the file first and report
// failures in a message box.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "api/analysis_run.h"

class QWidget;

namespace vexmoor {

enum class ResultFormat { kText, kJson, kReplicatesCsv };

// From the extension: ".json" JSON, ".csv" the replicates, anything else
// the text.
ResultFormat resultFormatOf(const std::string& path);

// Writes the whole file or nothing (a temporary file renamed at the end),
// as vexmoor-batch prints or writes the run: its text (with the note below
// it), its JSON document, or its replicates. Throws vexmoor::Error naming
// the path; also when the replicates are asked of a result without any.
void saveResultAs(const std::string& path, ResultFormat format, const RunOutput& output);
// The plot of the main window's axes; the histogram window's histograms.
// Throws vexmoor::Error when there is nothing to save or the path cannot
// be written.
void saveGroupPlotAs(const std::string& path);
void saveHistogramPlotAs(const std::string& path);

// Asking where to save: a function, so that tests and scripted runs can
// answer in place of the desktop's dialog, which waits for the user.
struct SaveDialogRequest {
  std::string title;
  std::string defaultName;  // "plot.svg"
  std::string filters;      // Qt's form: "SVG (*.svg);;PNG (*.png)"
};
struct SaveDialogAnswer {
  std::string path;
  std::string filter;  // the filter chosen, one of the request's
};
// nullopt: the user cancelled.
using SaveDialog =
    std::function<std::optional<SaveDialogAnswer>(QWidget* parent, const SaveDialogRequest&)>;

// Replaces the dialog every save below asks; an empty function restores the
// desktop's. Returns the one it replaces. GUI thread only.
SaveDialog setSaveDialog(SaveDialog dialog);
// The dialog in use. The default name is offered in the folder of the last
// file loaded or saved; the folder answered becomes that folder.
std::optional<SaveDialogAnswer> askWhereToSave(QWidget* parent, const SaveDialogRequest& request);

// `path`, with the extension of `filter` ("JSON (*.json)") added when it
// has none.
std::string withFilterExtension(const std::string& path, const std::string& filter);

// Receives the line that says what a save below wrote, for the status line;
// an empty function: none. GUI thread only.
void setSaveReporter(std::function<void(const std::string& line)> reporter);

// With a file dialog; `parent` may be null. A path without an extension
// gets the chosen filter's. Failures are shown in a message box modal to
// `parent`'s window, which does not make the call wait; what was written is
// reported (setSaveReporter).
void saveResult(QWidget* parent, const RunOutput& output);
void saveGroupPlot(QWidget* parent);
void saveHistogramPlot(QWidget* parent);

}  // namespace vexmoor
