// The window of the replicate histograms after a resampling test: one
// window, shown again and redrawn for every test rather than one more per
// run.
#pragma once

#include <QWidget>
#include <string>

#include "compare/resampling_tests.h"

class QCustomPlot;

namespace vexmoor {

class HistogramWindow : public QWidget {
 public:
  explicit HistogramWindow(QWidget* parent = nullptr);

  // Draws the histograms of `result` under `title` and shows the window.
  void showResult(const ResamplingResult& result, const std::string& title);
  bool hasResult() const { return m_hasResult; }
  QCustomPlot& plot() { return *m_plot; }
  // The size the picture files are drawn at.
  QSize pictureSize() const { return m_pictureSize; }

 private:
  QCustomPlot* m_plot;
  QSize m_pictureSize;
  bool m_hasResult = false;
};

// The one histogram window of the process, made on first use.
HistogramWindow& histogramWindow();
// Null until a histogram was shown.
HistogramWindow* existingHistogramWindow();

}  // namespace vexmoor
