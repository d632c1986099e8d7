// The window of the replicate histograms after a resampling test: one
// window, shown again and redrawn for every test rather than one more per
// run.
#pragma once

#include <QWidget>
#include <string>

#include "compare/resampling_tests.h"

class QCustomPlot;
class QLabel;

namespace vexmoor {

class HistogramWindow : public QWidget {
 public:
  explicit HistogramWindow(QWidget* parent = nullptr);

  // Draws the histograms of `result` under `title` (the test's name, which
  // titles the window too) with `caption` below them, and shows the window.
  void showResult(const ResamplingResult& result, const std::string& title,
                  const std::string& caption = "");
  bool hasResult() const { return m_hasResult; }
  // The groups changed since: a line above the histograms says whose they
  // are, and they are drawn faded until the next result.
  void markStale(const std::string& note);
  bool stale() const { return m_stale; }
  QCustomPlot& plot() { return *m_plot; }
  // The size the picture files are drawn at.
  QSize pictureSize() const { return m_pictureSize; }

 private:
  QCustomPlot* m_plot;
  QLabel* m_staleNote;
  QSize m_pictureSize;
  bool m_hasResult = false;
  bool m_stale = false;
};

// The one histogram window of the process, made on first use.
HistogramWindow& histogramWindow();
// Null until a histogram was shown.
HistogramWindow* existingHistogramWindow();

}  // namespace vexmoor
