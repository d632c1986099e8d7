#include "graphics/plot_canvas.h"

#include <algorithm>

namespace vexmoor::graphics {

PlotCanvas::PlotCanvas(QWidget* parent) : QCustomPlot(parent) {
  setPlottingHint(QCP::phCacheLabels, true);
  setAutoAddPlottableToLegend(false);
}

void PlotCanvas::updateLayout() {
  // Tick labels change width with the ranges, and the margins with them:
  // a second pass settles both.
  for (int pass = 0; pass < 2; ++pass) {
    QCustomPlot::updateLayout();
    if (m_layoutHook) {
      m_layoutHook();
    }
  }
}

void PlotCanvas::render(QCPPainter& painter, QSize size, std::optional<QRect> innerBox) {
  QRect oldViewport = viewport();
  setViewport(QRect(QPoint(0, 0), size));
  if (innerBox) {
    updateLayout();
    QMargins least = axisRect()->margins();
    QMargins wanted(innerBox->left(), innerBox->top(), size.width() - innerBox->right() - 1,
                    size.height() - innerBox->bottom() - 1);
    axisRect()->setAutoMargins(QCP::msNone);
    axisRect()->setMargins(QMargins(
        std::max(least.left(), wanted.left()), std::max(least.top(), wanted.top()),
        std::max(least.right(), wanted.right()), std::max(least.bottom(), wanted.bottom())));
  }
  painter.setMode(QCPPainter::pmNoCaching);
  painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  draw(&painter);
  axisRect()->setAutoMargins(QCP::msAll);
  setViewport(oldViewport);
  updateLayout();
}

}  // namespace vexmoor::graphics
