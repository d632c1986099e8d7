#include "shell/histogram_window.h"

#include <qcustomplot.h>

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "plot/replicate_histogram.h"
#include "shell/result_saving.h"
#include "shell/stale_note.h"

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
                                 const std::string& caption) {
  setWindowTitle(QString::fromStdString("Vexmoor: " + title + " (replicate histograms)"));
  m_pictureSize = histogramPictureSize(result, !caption.empty());
  drawReplicateHistograms(*m_plot, result, title, caption);
  m_hasResult = true;
  m_stale = false;
  m_staleNote->hide();
  m_plot->setGraphicsEffect(nullptr);
  if (!isVisible()) {
    resize(m_pictureSize.width() + 40, std::min(m_pictureSize.height() + 80, 760));
  }
  show();
  raise();
}

void HistogramWindow::markStale(const std::string& note) {
  if (!m_hasResult) {
    return;
  }
  m_stale = true;
  m_staleNote->setText(QString::fromStdString(note));
  m_staleNote->show();
  auto* faded = new QGraphicsOpacityEffect(m_plot);
  faded->setOpacity(0.45);
  m_plot->setGraphicsEffect(faded);
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
