#include "shell/histogram_window.h"

#include <qcustomplot.h>

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "plot/replicate_histogram.h"
#include "shell/result_saving.h"

namespace vexmoor {
namespace {

QPointer<HistogramWindow> g_window;

}  // namespace

HistogramWindow::HistogramWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle("Vexmoor: replicate histograms");
  auto* layout = new QVBoxLayout(this);
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

void HistogramWindow::showResult(const ResamplingResult& result, const std::string& title) {
  m_pictureSize = histogramPictureSize(result);
  drawReplicateHistograms(*m_plot, result, title);
  m_hasResult = true;
  if (!isVisible()) {
    resize(m_pictureSize.width() + 40, std::min(m_pictureSize.height() + 80, 760));
  }
  show();
  raise();
}

HistogramWindow& histogramWindow() {
  if (!g_window) {
    g_window = new HistogramWindow;
    g_window->setAttribute(Qt::WA_DeleteOnClose, false);
  }
  return *g_window;
}

HistogramWindow* existingHistogramWindow() {
  return g_window.data();
}

}  // namespace vexmoor
