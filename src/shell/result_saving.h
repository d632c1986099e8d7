// Saving what an analysis gave: the result as text, JSON or the replicates
// as CSV, and plots as SVG, PNG or PDF. The *As functions write a named
// file (tests, menus); the others ask for the file first and report
// failures in a message box.
#pragma once

#include <string>

#include "actions/analysis_actions.h"
#include "actions/result_json.h"

class QWidget;

namespace vexmoor {

enum class ResultFormat { kText, kJson, kReplicatesCsv };

// From the extension: ".json" JSON, ".csv" the replicates, anything else
// the text.
ResultFormat resultFormatOf(const std::string& path);

// Writes the whole file or nothing (a temporary file renamed at the end).
// Throws vexmoor::Error naming the path; also when the replicates are asked
// of a result without any.
void saveResultAs(const std::string& path, ResultFormat format, const AnalysisResult& result,
                  const RunDescription& run);
// The plot of the main window's axes; the histogram window's histograms.
// Throws vexmoor::Error when there is nothing to save or the path cannot
// be written.
void saveGroupPlotAs(const std::string& path);
void saveHistogramPlotAs(const std::string& path);

// With a file dialog; `parent` may be null.
void saveResult(QWidget* parent, const AnalysisResult& result, const RunDescription& run);
void saveGroupPlot(QWidget* parent);
void saveHistogramPlot(QWidget* parent);

}  // namespace vexmoor
