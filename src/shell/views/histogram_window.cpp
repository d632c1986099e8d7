#include "shell/views/histogram_window.h"

#include <qcustomplot.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "plot/replicate_histogram.h"
#include "shell/views/result_saving.h"
#include "shell/views/reused_window.h"
#include "shell/views/stale_note.h"

namespace vexmoor {
namespace {

QPointer<HistogramWindow> g_window;

}  // namespace

HistogramWindow::HistogramWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle("Vexmoor: replicate histograms");
  auto* layout = new QVBoxLayout(this);
  m_staleNote = makeStaleNote(this);
  layout->addWidget(m_staleNote);
  m_plot = new QCustomPlot(this);
  m_plot->setMinimumSize(360, 240);
  layout->addWidget(m_plot, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* save = new QPushButton("Save plot…", this);
  save->setObjectName("SaveHistogramsButton");
  save->setToolTip("Save these histograms as SVG, PNG or PDF");
  buttons->addWidget(save);
  layout->addLayout(buttons);
  connect(save, &QPushButton::clicked, this, [this] { saveHistogramPlot(this); });
}

void HistogramWindow::showResult(const ResamplingResult& result, const std::string& title,
                                 const std::string& caption, const ShownRun& shown) {
  setWindowTitle(QString::fromStdString("Vexmoor: " + title + " (replicate histograms)"));
  m_pictureSize = histogramPictureSize(result, !caption.empty());
  drawReplicateHistograms(*m_plot, result, title, caption);
  m_hasResult = true;
  showRun(shown);
  if (!isVisible()) {
    resize(m_pictureSize.width() + 40, std::min(m_pictureSize.height() + 80, 760));
  }
  show();
  raise();
}

void HistogramWindow::markStale(const std::optional<std::string>& reason) {
  markView(*m_staleNote, {m_plot}, reason ? "These histograms are " + *reason : "");
}

HistogramWindow& histogramWindow() {
  return reusedWindow(g_window, [] { return new HistogramWindow; });
}

HistogramWindow* existingHistogramWindow() {
  return g_window.data();
}

}  // namespace vexmoor
