#include "plot/plot_legend.h"

#include <qcustomplot.h>

#include <algorithm>
#include <utility>

#include "graphics/graphics_system.h"
#include "graphics/marker_style.h"
#include "graphics/plot_canvas.h"

namespace vexmoor {
namespace {

// Room above and below a row's text: the painter's half-pixel offsets
// and the clip of the row would otherwise cut its lowest pixels, and with
// them every underscore of a small font.
constexpr int kTextPadding = 2;

class LegendRow : public QCPAbstractLegendItem {
 public:
  LegendRow(QCPLegend* legend, QString text, graphics::Handle line)
      : QCPAbstractLegendItem(legend), m_text(std::move(text)), m_line(line) {}

 protected:
  void draw(QCPPainter* painter) override {
    painter->setFont(mFont);
    painter->setPen(QPen(mTextColor));
    QSize icon = mParentLegend->iconSize();
    QRect text = textRect();
    int height = rowHeight(text);
    int left = mRect.x() + (m_line ? icon.width() + mParentLegend->iconTextPadding() : 0);
    painter->drawText(left, mRect.y(), text.width(), height, Qt::AlignVCenter | Qt::TextDontClip,
                      m_text);
    if (const graphics::Line* line = lineOf()) {
      // The marker at the size the row has room for, its outline as heavy
      // as in the plot.
      graphics::LineStyle style = line->style();
      style.markerSize = std::min(style.markerSize, icon.height() / graphics::kPixelsPerPoint);
      QCPScatterStyle marker = graphics::scatterStyle(style);
      painter->save();
      marker.applyTo(painter, graphics::linePen(style));
      marker.drawShape(painter, QPointF(mRect.x() + icon.width() / 2.0, mRect.y() + height / 2.0));
      painter->restore();
    }
  }

  QSize minimumOuterSizeHint() const override {
    QSize icon = mParentLegend->iconSize();
    QRect text = textRect();
    int width = text.width() + (m_line ? icon.width() + mParentLegend->iconTextPadding() : 0);
    return QSize(width + mMargins.left() + mMargins.right(),
                 rowHeight(text) + mMargins.top() + mMargins.bottom());
  }

 private:
  QRect textRect() const {
    return QFontMetrics(mFont).boundingRect(0, 0, 0, 0, Qt::TextDontClip, m_text);
  }
  int rowHeight(const QRect& text) const {
    return std::max(text.height() + 2 * kTextPadding, mParentLegend->iconSize().height());
  }
  const graphics::Line* lineOf() const {
    return m_line ? dynamic_cast<const graphics::Line*>(graphics::graphics().find(m_line))
                  : nullptr;
  }

  QString m_text;
  graphics::Handle m_line;
};

void setUpLegend(QCPLegend& legend) {
  QFont font = legend.font();
  font.setPointSizeF(8);
  legend.setFont(font);
  legend.setIconSize(QSize(18, 14));
  legend.setBrush(QColor(255, 255, 255, 225));
  legend.setBorderPen(QPen(QColor(180, 180, 180)));
  legend.setRowSpacing(0);
  if (QCPLayoutInset* inset = legend.parentPlot()->axisRect()->insetLayout()) {
    inset->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
  }
}

}  // namespace

void showLegend(graphics::Axes& axes, const std::vector<LegendEntry>& entries) {
  if (!axes.canvas()) {
    return;
  }
  QCPLegend* legend = axes.canvas()->legend;
  legend->clearItems();
  setUpLegend(*legend);
  for (const LegendEntry& e : entries) {
    legend->addItem(new LegendRow(legend, QString::fromStdString(e.text), e.line));
  }
  legend->setVisible(!entries.empty());
  axes.markDirty();
}

}  // namespace vexmoor
