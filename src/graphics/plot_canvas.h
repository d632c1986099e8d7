// The drawing surface of an axes: a QCustomPlot whose owner fixes the axis
// ranges after every layout pass, so that equal data units on both axes
// survive every resize, and that can draw itself at any size for printing.
#pragma once

#include <functional>
#include <optional>

#include <qcustomplot.h>

namespace vexmoor::graphics {

class PlotCanvas : public QCustomPlot {
  Q_OBJECT

 public:
  explicit PlotCanvas(QWidget* parent = nullptr);

  // Runs after each layout pass, once the plot area has its size and
  // before anything is drawn.
  void setLayoutHook(std::function<void()> hook) { m_layoutHook = std::move(hook); }

  // Lays the plot out for its present size now (the hook included).
  void layoutNow() { updateLayout(); }

  // Draws the plot into `painter` as if the widget were `size` pixels. With
  // `innerBox` (pixels within that size) the plot area takes that box, as
  // far as the tick labels leave room inside `size`. The widget itself is
  // left as it was.
  void render(QCPPainter& painter, QSize size, std::optional<QRect> innerBox);

 protected:
  void updateLayout() override;

 private:
  std::function<void()> m_layoutHook;
};

}  // namespace vexmoor::graphics
