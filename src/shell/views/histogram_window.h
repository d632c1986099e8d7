// The window of the replicate histograms after a resampling test: one
// window, shown again and redrawn for every test rather than one more per
// run. It is a RunView: once the session moves on, a line above the
// histograms says whose they are, and they are drawn faded until the next
// result.
#pragma once

#include <QWidget>
#include <string>

#include "api/result_types.h"
#include "shell/views/shown_run.h"

class QCustomPlot;
class QLabel;

namespace vexmoor {

class HistogramWindow : public QWidget, public RunView {
 public:
  explicit HistogramWindow(QWidget* parent = nullptr);

  // Draws the histograms of `result`, the replicates of `shown`, under
  // `title` (the test's name, which titles the window too) with `caption`
  // below them, and shows the window.
  void showResult(const ResamplingResult& result, const std::string& title,
                  const std::string& caption, const ShownRun& shown);
  bool hasResult() const { return m_hasResult; }
  QCustomPlot& plot() { return *m_plot; }
  // The size the picture files are drawn at.
  QSize pictureSize() const { return m_pictureSize; }

 protected:
  void markStale(const std::optional<std::string>& reason) override;

 private:
  QCustomPlot* m_plot;
  QLabel* m_staleNote;
  QSize m_pictureSize;
  bool m_hasResult = false;
};

// The one histogram window of the process, made on first use.
HistogramWindow& histogramWindow();
// Null until a histogram was shown.
HistogramWindow* existingHistogramWindow();

}  // namespace vexmoor
