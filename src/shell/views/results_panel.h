// The row below the main window's result box: the p-values of the last
// resampling test in a line of their own across the window (never inside
// the result text), then the seed for the next run, "Save result…" and
// "Save plot…". Each result it is given goes to the views that show it:
// the histogram window after a resampling test, the components window
// after the principal components. The result box and this row are a
// RunView: marked as belonging to the data loaded before once the groups
// change.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "analyses/analysis_actions.h"
#include "api/analysis_run.h"
#include "shell/views/shown_run.h"

class QLabel;
class QLineEdit;
class QMainWindow;
class QPlainTextEdit;

namespace vexmoor {

class Dispatcher;

// The Seed box's text as a seed: nullopt for an empty box (a fresh seed);
// else the interface's seed (seedSetting), which throws vexmoor::Error as
// it does for every door.
std::optional<std::uint64_t> seedFromText(const std::string& text);

class ResultsPanel : public QWidget, public RunView {
 public:
  // `resultBox` (may be null) is the result box marked with the rest.
  ResultsPanel(Dispatcher& dispatcher, QPlainTextEdit* resultBox, QWidget* parent = nullptr);
  // Shows a result the dispatcher has just put in the result box, and
  // passes it to the views that draw it.
  void showResult(const RunOutput& output, const ShownRun& shown);

 protected:
  void markStale(const std::optional<std::string>& reason) override;

 private:
  void seedEdited();

  Dispatcher& m_dispatcher;
  QPointer<QPlainTextEdit> m_resultBox;
  QLabel* m_staleNote;
  QLabel* m_pValues;
  QLineEdit* m_seed;
};

// Adds the panel below the result box of `window` (the layout's row
// "ResultsRow"; a dock at the bottom when the layout has none).
ResultsPanel& attachResultsPanel(QMainWindow& window, Dispatcher& dispatcher);

}  // namespace vexmoor
