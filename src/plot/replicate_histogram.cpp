#include "plot/replicate_histogram.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace vexmoor {
namespace {

constexpr int kPanelWidth = 480;
constexpr int kPanelHeight = 210;
constexpr int kCaptionHeight = 34;
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

// A vertical line at x with a label near the top of the panel.
void mark(QCustomPlot& plot, QCPAxisRect* rect, double x, const QString& label, QPen pen,
          double labelHeight, Qt::Alignment side) {
  auto* line = new QCPItemStraightLine(&plot);
  line->setClipAxisRect(rect);
  line->point1->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
  line->point2->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
  line->point1->setCoords(x, 0);
  line->point2->setCoords(x, 1);
  line->setPen(pen);
  auto* text = new QCPItemText(&plot);
  text->setClipAxisRect(rect);
  text->position->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
  text->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
  text->position->setAxisRect(rect);
  text->position->setCoords(x, labelHeight);
  text->setPositionAlignment(Qt::AlignTop | side);
  text->setText(label);
  text->setColor(pen.color());
  text->setPadding(QMargins(3, 0, 3, 0));
  QFont font = plot.font();
  font.setPointSizeF(7.5);
  text->setFont(font);
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

  auto* title = new QCPItemText(&plot);
  title->setClipAxisRect(rect);
  title->position->setType(QCPItemPosition::ptAxisRectRatio);
  title->position->setAxisRect(rect);
  title->position->setCoords(0.01, 0.02);
  title->setPositionAlignment(Qt::AlignTop | Qt::AlignLeft);
  title->setText(panel.title + QString("  (%1 replicates)").arg(result.replicates));
  QFont bold = font;
  bold.setBold(true);
  title->setFont(bold);

  QPen dashed(QColor(30, 90, 30), 1.2, Qt::DashLine);
  double height = 0.16;
  for (const PrintedPercentile& p : result.percentiles) {
    if (p.column == panel.column && p.position > 0 && p.level < 1 && std::isfinite(p.value)) {
      bool upper = p.level > 0.5;
      // Labels point inwards, so that the tails' ends stay readable.
      mark(plot, rect, p.value, percentileLabel(p), dashed, height,
           upper ? Qt::AlignRight : Qt::AlignLeft);
      height += 0.12;
    }
  }
  if (std::isfinite(observed)) {
    double middle = (x->range().lower + x->range().upper) / 2;
    mark(plot, rect, observed, QString("observed %1").arg(observed, 0, 'f', 2),
         QPen(QColor(200, 30, 30), 1.8), height,
         observed > middle ? Qt::AlignRight : Qt::AlignLeft);
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
  plot.plotLayout()->addElement(0, 0, textElement(plot, title, 9, true));
  // The panels in a grid of their own, so that the heading and the caption
  // span both columns.
  auto* panels = new QCPLayoutGrid;
  plot.plotLayout()->addElement(1, 0, panels);
  std::vector<int> columns = histogramColumns(result);
  for (size_t i = 0; i < columns.size(); ++i) {
    bool last = i + 1 == columns.size();
    QString scheme = schemeLabel(result.columns[static_cast<size_t>(columns[i])]);
    auto* rect = new QCPAxisRect(&plot);
    panels->addElement(static_cast<int>(i), 0, rect);
    drawPanel(plot, rect, result,
              {columns[i], result.observed.angle, scheme, "angle between the subspaces (degrees)"},
              last);
    if (int metric = metricColumnOf(result, columns[i]); metric >= 0) {
      auto* metricRect = new QCPAxisRect(&plot);
      panels->addElement(static_cast<int>(i), 1, metricRect);
      drawPanel(plot, metricRect, result,
                {metric, result.observed.metric, "metric, " + scheme, "Krzanowski's metric"}, last);
    }
  }
  if (!caption.empty()) {
    QCPTextElement* text = textElement(plot, caption, 7.5, false);
    text->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
    plot.plotLayout()->addElement(2, 0, text);
  }
  plot.replot(QCustomPlot::rpImmediateRefresh);
}

}  // namespace vexmoor
