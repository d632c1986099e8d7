// A small panel below the main window's controls: the p-values of the last
// resampling test in a line of their own (never inside the result text),
// the seed for the next run, and "Save result…" and "Save plot…". After
// each resampling test it redraws the histogram window.
#pragma once

#include <QWidget>

#include "actions/analysis_actions.h"

class QLabel;
class QLineEdit;
class QMainWindow;

namespace vexmoor {

class Dispatcher;

// "p: angle above group 1 0.0099, ..." for a resampling result; empty
// otherwise.
std::string pValueLine(const AnalysisResult& result);

class ResultsPanel : public QWidget {
 public:
  ResultsPanel(Dispatcher& dispatcher, QWidget* parent = nullptr);
  // Shows a result the dispatcher has just put in the result box.
  void showResult(const AnalysisResult& result);

 private:
  void seedEdited();

  Dispatcher& m_dispatcher;
  QLabel* m_pValues;
  QLineEdit* m_seed;
};

// Adds the panel to the bottom of `window` and routes the dispatcher's
// results to it.
ResultsPanel& attachResultsPanel(QMainWindow& window, Dispatcher& dispatcher);

}  // namespace vexmoor
