#include "plot/replicate_histogram.h"

#include <qcustomplot.h>

#include <QPointer>
#include <algorithm>
#include <cmath>
#include <vector>

#include "plot/picture_caption.h"

namespace vexmoor {
namespace {

constexpr int kPanelWidth = 480;
constexpr int kPanelHeight = 226;
constexpr int kLabelGap = 2;     // pixels between a mark's line and its label
constexpr int kLabelMargin = 2;  // pixels between a label and the plot area's edge
constexpr double kLabelPoints = 7.5;
constexpr int kMinBins = 10;
constexpr int kMaxBins = 60;

// What a reader calls the replicates of a column.
QString schemeLabel(const std::string& column) {
  if (column == "angle_group1")
    return "group 1: within-group bootstrap";
  if (column == "angle_group2")
    return "group 2: within-group bootstrap";
  if (column == "angle_random")
    return "random data";
  if (column == "angle_between")
    return "between groups: bootstrap";
  if (column == "angle_shuffled")
    return "shuffled samples";
  return QString::fromStdString(column);
}

QString percentileLabel(const PrintedPercentile& p) {
  double percent = p.level * 100;
  return QString("%1 %: %2").arg(percent, 0, 'g', 4).arg(p.value, 0, 'f', 2);
}

struct Bins {
  double lo = 0, width = 1;
  QVector<double> centres, counts;
};

Bins binValues(const std::vector<double>& finite, double observed) {
  Bins b;
  double lo = finite.empty() ? 0 : *std::min_element(finite.begin(), finite.end());
  double hi = finite.empty() ? 1 : *std::max_element(finite.begin(), finite.end());
  if (std::isfinite(observed)) {
    lo = std::min(lo, observed);
    hi = std::max(hi, observed);
  }
  if (!(hi > lo)) {
    lo -= 0.5;
    hi += 0.5;
  }
  int n =
      std::clamp(static_cast<int>(std::ceil(std::sqrt(double(finite.size())))), kMinBins, kMaxBins);
  b.lo = lo;
  b.width = (hi - lo) / n;
  b.counts.fill(0, n);
  for (int i = 0; i < n; ++i) {
    b.centres.push_back(lo + (i + 0.5) * b.width);
  }
  for (double v : finite) {
    int i = std::clamp(static_cast<int>((v - lo) / b.width), 0, n - 1);
    b.counts[i] += 1;
  }
  return b;
}

// The labels of the marked values, placed after every layout pass (the
// window resizes; a picture file lays the plot out at its own size): each
// beside its line, on the side it prefers or else the other, in the
// highest row where it lies inside the plot area, overlaps no other label
// and, where it can, crosses no other mark's line.
class MarkLabels : public QObject {
 public:
  explicit MarkLabels(QCustomPlot& plot) : QObject(&plot) {
    setObjectName("HistogramMarkLabels");
    connect(&plot, &QCustomPlot::afterLayout, this, [this] { place(); });
  }
  static MarkLabels& of(QCustomPlot& plot) {
    auto* m = plot.findChild<MarkLabels*>("HistogramMarkLabels", Qt::FindDirectChildrenOnly);
    return m ? *m : *new MarkLabels(plot);
  }
  void clear() { m_marks.clear(); }
  // Labels of one rectangle are placed in the order they are added.
  void add(QCPAxisRect* rect, double x, QCPItemText* label, bool preferLeft) {
    m_marks.push_back({rect, x, label, preferLeft});
  }

 private:
  struct Mark {
    QPointer<QCPAxisRect> rect;
    double x;
    QPointer<QCPItemText> label;
    bool preferLeft;
  };

  static QSizeF sizeOf(const QCPItemText& label) {
    QRect text =
        QFontMetrics(label.font()).boundingRect(0, 0, 0, 0, Qt::TextDontClip, label.text());
    QMargins pad = label.padding();
    return QSizeF(text.width() + pad.left() + pad.right(),
                  text.height() + pad.top() + pad.bottom());
  }

  void place() {
    std::vector<QRectF> placed;
    QCPAxisRect* current = nullptr;
    for (const Mark& m : m_marks) {
      if (!m.rect || !m.label) {
        continue;
      }
      if (m.rect != current) {
        current = m.rect;
        placed.clear();
      }
      std::vector<double> lines;
      for (const Mark& other : m_marks) {
        if (other.rect == m.rect && &other != &m) {
          lines.push_back(m.rect->axis(QCPAxis::atBottom)->coordToPixel(other.x));
        }
      }
      QRectF box = placement(m, QRectF(m.rect->rect()), lines, placed);
      placed.push_back(box);
      m.label->position->setType(QCPItemPosition::ptAbsolute);
      m.label->setPositionAlignment(Qt::AlignTop | Qt::AlignLeft);
      m.label->position->setCoords(box.topLeft());
    }
  }

  static QRectF placement(const Mark& m, QRectF area, const std::vector<double>& lines,
                          const std::vector<QRectF>& placed) {
    area.adjust(kLabelMargin, kLabelMargin, -kLabelMargin, -kLabelMargin);
    QSizeF size = sizeOf(*m.label);
    double x = m.rect->axis(QCPAxis::atBottom)->coordToPixel(m.x);
    // Beside the line, or (`past`) beside the other lines its place would
    // cross, so that the label stays near its line without covering another.
    auto candidate = [&](int row, bool left, bool past) {
      double top = area.top() + row * size.height();
      double edge = left ? x - kLabelGap - size.width() : x + kLabelGap;
      for (size_t pass = 0; past && pass < lines.size(); ++pass) {
        bool moved = false;
        for (double line : lines) {
          if (line > edge && line < edge + size.width()) {
            edge = left ? line - kLabelGap - size.width() : line + kLabelGap;
            moved = true;
          }
        }
        if (!moved) {
          break;
        }
      }
      return QRectF(QPointF(edge, top), size);
    };
    auto free = [&](const QRectF& box, bool crossing) {
      if (!area.contains(box)) {
        return false;
      }
      for (const QRectF& p : placed) {
        if (p.intersects(box)) {
          return false;
        }
      }
      if (!crossing) {
        for (double line : lines) {
          if (line > box.left() && line < box.right()) {
            return false;
          }
        }
      }
      return true;
    };
    int rows = std::max(1, static_cast<int>(area.height() / size.height()));
    for (int attempt = 0; attempt < 3; ++attempt) {
      bool past = attempt == 1, crossing = attempt == 2;
      for (int row = 0; row < rows; ++row) {
        for (bool left : {m.preferLeft, !m.preferLeft}) {
          QRectF box = candidate(row, left, past);
          if (free(box, crossing)) {
            return box;
          }
        }
      }
    }
    // No room (a very small window): the first row, kept inside the area.
    QRectF box = candidate(0, m.preferLeft, false);
    box.moveLeft(
        std::clamp(box.left(), area.left(), std::max(area.left(), area.right() - box.width())));
    return box;
  }

  std::vector<Mark> m_marks;
};

// A vertical line at x across the panel, and its label.
void mark(QCustomPlot& plot, QCPAxisRect* rect, double x, const QString& label, QPen pen,
          bool preferLeft) {
  auto* line = new QCPItemStraightLine(&plot);
  line->setClipAxisRect(rect);
  line->point1->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
  line->point2->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
  line->point1->setCoords(x, 0);
  line->point2->setCoords(x, 1);
  line->setPen(pen);
  auto* text = new QCPItemText(&plot);
  text->setClipAxisRect(rect);
  text->setText(label);
  text->setColor(pen.color());
  text->setBrush(QColor(255, 255, 255, 215));
  text->setPadding(QMargins(3, 1, 3, 1));
  QFont font = plot.font();
  font.setPointSizeF(kLabelPoints);
  text->setFont(font);
  MarkLabels::of(plot).add(rect, x, text, preferLeft);
}

// One histogram of a replicate column, with the observed value and the
// printed percentiles of that column marked.
struct Panel {
  int column = 0;
  double observed = 0;
  QString title;
  QString axisLabel;
};

void drawPanel(QCustomPlot& plot, QCPAxisRect* rect, const ResamplingResult& result,
               const Panel& panel, bool last) {
  std::vector<double> finite;
  finite.reserve(static_cast<size_t>(result.values.rows()));
  for (Index i = 0; i < result.values.rows(); ++i) {
    double v = result.values(i, panel.column);
    if (std::isfinite(v)) {
      finite.push_back(v);
    }
  }
  double observed = panel.observed;
  Bins bins = binValues(finite, observed);
  QCPAxis* x = rect->axis(QCPAxis::atBottom);
  QCPAxis* y = rect->axis(QCPAxis::atLeft);
  auto* bars = new QCPBars(x, y);
  bars->setWidthType(QCPBars::wtPlotCoords);
  bars->setWidth(bins.width);
  bars->setData(bins.centres, bins.counts, true);
  bars->setPen(QPen(QColor(70, 70, 70), 0.6));
  bars->setBrush(QColor(170, 190, 215));
  double top = *std::max_element(bins.counts.begin(), bins.counts.end());
  x->setRange(bins.lo - bins.width, bins.lo + (bins.centres.size() + 1) * bins.width);
  y->setRange(0, std::max(1.0, top) * 1.35);
  y->setLabel("replicates");
  x->setLabel(last ? panel.axisLabel : QString());
  QFont font = plot.font();
  font.setPointSizeF(8);
  for (QCPAxis* a : {x, y}) {
    a->setLabelFont(font);
    a->setTickLabelFont(font);
  }

  // The observed value first: its label takes the best place.
  if (std::isfinite(observed)) {
    double middle = (x->range().lower + x->range().upper) / 2;
    mark(plot, rect, observed, QString("observed %1").arg(observed, 0, 'f', 2),
         QPen(QColor(200, 30, 30), 1.8), observed > middle);
  }
  QPen dashed(QColor(30, 90, 30), 1.2, Qt::DashLine);
  for (const PrintedPercentile& p : result.percentiles) {
    if (p.column == panel.column && p.position > 0 && p.level < 1 && std::isfinite(p.value)) {
      // Labels point inwards, so that the tails' ends stay readable.
      mark(plot, rect, p.value, percentileLabel(p), dashed, p.level > 0.5);
    }
  }
}

// The metric column that goes with an angle column ("angle_group1" ->
// "metric_group1"); -1 when the test keeps none.
int metricColumnOf(const ResamplingResult& result, int angleColumn) {
  std::string scheme = result.columns[static_cast<size_t>(angleColumn)].substr(6);
  for (size_t c = 0; c < result.columns.size(); ++c) {
    if (result.columns[c] == "metric_" + scheme) {
      return static_cast<int>(c);
    }
  }
  return -1;
}

bool hasMetricPanels(const ResamplingResult& result) {
  for (int c : histogramColumns(result)) {
    if (metricColumnOf(result, c) >= 0) {
      return true;
    }
  }
  return false;
}

QCPTextElement* textElement(QCustomPlot& plot, const std::string& text, double points, bool bold) {
  auto* element = new QCPTextElement(&plot, QString::fromStdString(text));
  QFont font = plot.font();
  font.setPointSizeF(points);
  font.setBold(bold);
  element->setFont(font);
  return element;
}

// A panel's cell: its title above its plot area, so that the title never
// covers the bars.
QCPAxisRect* addPanel(QCustomPlot& plot, QCPLayoutGrid* grid, int row, int column,
                      const Panel& panel, const ResamplingResult& result) {
  auto* cell = new QCPLayoutGrid;
  grid->addElement(row, column, cell);
  cell->setRowSpacing(0);
  QString title = panel.title + QString("  (%1 replicates)").arg(result.replicates);
  auto* heading = textElement(plot, title.toStdString(), 8, true);
  heading->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
  heading->setMargins(QMargins(4, 4, 4, 0));
  cell->addElement(0, 0, heading);
  auto* rect = new QCPAxisRect(&plot);
  cell->addElement(1, 0, rect);
  return rect;
}

}  // namespace

std::vector<int> histogramColumns(const ResamplingResult& result) {
  std::vector<int> columns;
  for (size_t c = 0; c < result.columns.size(); ++c) {
    if (result.columns[c].rfind("angle_", 0) == 0) {
      columns.push_back(static_cast<int>(c));
    }
  }
  return columns;
}

QSize histogramPictureSize(const ResamplingResult& result, bool caption) {
  int panels = std::max<int>(1, static_cast<int>(histogramColumns(result).size()));
  int width = hasMetricPanels(result) ? 2 * kPanelWidth : kPanelWidth;
  return QSize(width, 30 + panels * kPanelHeight + (caption ? kCaptionHeight : 0));
}

void drawReplicateHistograms(QCustomPlot& plot, const ResamplingResult& result,
                             const std::string& title, const std::string& caption) {
  plot.clearPlottables();
  plot.clearItems();
  plot.plotLayout()->clear();
  MarkLabels::of(plot).clear();
  plot.plotLayout()->addElement(0, 0, textElement(plot, title, 9, true));
  // The panels in a grid of their own, so that the heading and the caption
  // span both columns.
  auto* panels = new QCPLayoutGrid;
  plot.plotLayout()->addElement(1, 0, panels);
  std::vector<int> columns = histogramColumns(result);
  for (size_t i = 0; i < columns.size(); ++i) {
    bool last = i + 1 == columns.size();
    int row = static_cast<int>(i);
    QString scheme = schemeLabel(result.columns[static_cast<size_t>(columns[i])]);
    Panel angle{columns[i], result.observed.angle, scheme, "angle between the subspaces (degrees)"};
    drawPanel(plot, addPanel(plot, panels, row, 0, angle, result), result, angle, last);
    if (int metric = metricColumnOf(result, columns[i]); metric >= 0) {
      Panel panel{metric, result.observed.metric, "metric, " + scheme, "Krzanowski's metric"};
      drawPanel(plot, addPanel(plot, panels, row, 1, panel, result), result, panel, last);
    }
  }
  if (!caption.empty()) {
    addCaption(plot, plot.plotLayout(), 2, caption, histogramPictureSize(result).width());
  }
  plot.replot(QCustomPlot::rpImmediateRefresh);
}

}  // namespace vexmoor
