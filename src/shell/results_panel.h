// The row below the main window's result box: the p-values of the last
// resampling test in a line of their own across the window (never inside
// the result text), then the seed for the next run, "Save result…" and
// "Save plot…". After each resampling test it redraws the histogram
// window. When the groups change, the result box, this row and the
// histograms are marked as belonging to the data loaded before.
#pragma once

#include <QPalette>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "actions/analysis_actions.h"
#include "actions/result_json.h"

class QLabel;
class QLineEdit;
class QMainWindow;
class QPlainTextEdit;

namespace vexmoor {

class Dispatcher;

// "p-values: angle above group1 0.0099, ..." for a resampling result; empty
// otherwise.
std::string pValueLine(const AnalysisResult& result);

// The caption of a resampling test's histograms: the files and settings
// that repeat it, then its p-values.
std::string histogramCaption(const AnalysisResult& result, const RunDescription& run);

// The Seed box's text as a seed: nullopt for an empty box; throws
// vexmoor::Error, as vexmoor-batch refuses --seed, for anything but a
// whole number from 0 to 2^64 − 1.
std::optional<std::uint64_t> seedFromText(const std::string& text);

class ResultsPanel : public QWidget {
 public:
  // `resultBox` (may be null) is the result box marked with the rest.
  ResultsPanel(Dispatcher& dispatcher, QPlainTextEdit* resultBox, QWidget* parent = nullptr);
  // Shows a result the dispatcher has just put in the result box.
  void showResult(const AnalysisResult& result);
  // The groups changed: marks what is shown as the earlier data's.
  void markStale();
  bool stale() const { return m_stale; }

 private:
  void seedEdited();
  void setStale(bool stale);

  Dispatcher& m_dispatcher;
  QPointer<QPlainTextEdit> m_resultBox;
  QPalette m_resultPalette;
  QLabel* m_staleNote;
  QLabel* m_pValues;
  QLineEdit* m_seed;
  std::string m_resultFiles;  // the files of the result shown
  bool m_hasResult = false;
  bool m_stale = false;
};

// Adds the panel below the result box of `window` (the layout's row
// "ResultsRow"; a dock at the bottom when the layout has none) and routes
// the dispatcher's results and data changes to it.
ResultsPanel& attachResultsPanel(QMainWindow& window, Dispatcher& dispatcher);

}  // namespace vexmoor
