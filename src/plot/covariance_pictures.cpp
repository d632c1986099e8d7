#include "plot/covariance_pictures.h"

#include <qcustomplot.h>

#include <QPointer>
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "graphics/view_geometry.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "shape/thin_plate_spline.h"

namespace vexmoor {
namespace {

constexpr int kPageWidth = 720;
constexpr int kTitleRow = 24;
constexpr int kEigenvaluesHeight = 250;
constexpr int kShapeRowHeight = 230;
constexpr int kScatterHeight = 420;
constexpr int kHistogramHeight = 300;
constexpr int kCaptionHeight = 46;
constexpr int kCellHeight = 22;
constexpr int kMostShapeRows = 3;
// Larger tables would be no more than colour: the text has their numbers.
constexpr size_t kLargestTable = 30;
constexpr int kGridCells = 12;
constexpr int kGridSamples = 2;
constexpr double kGridMargin = 0.12;
constexpr double kPadding = 0.06;

const QColor kFirst(31, 90, 180);
const QColor kSecond(200, 50, 40);
const QColor kNeutral(90, 90, 90);

QString text(const std::string& s) {
  return QString::fromStdString(s);
}

QString fixed(double v, int decimals) {
  return std::isfinite(v) ? QString::number(v, 'f', decimals) : QString("–");
}

QString deviationsText(double f) {
  return QString::fromUtf8(f < 0 ? "\u2212" : "+") + QString::number(std::abs(f), 'g', 3) + " sd";
}

QFont sized(const QCustomPlot& plot, double points, bool bold = false) {
  QFont f = plot.font();
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

// Keeps equal data units on both axes of its rectangles whatever size the
// page is laid out at: after every layout pass each gets the smallest
// ranges around its data that do.
class EqualUnits : public QObject {
 public:
  explicit EqualUnits(QCustomPlot& plot) : QObject(&plot) {
    setObjectName("CovarianceEqualUnits");
    connect(&plot, &QCustomPlot::afterLayout, this, [this] { apply(); });
  }
  static EqualUnits& of(QCustomPlot& plot) {
    auto* e = plot.findChild<EqualUnits*>("CovarianceEqualUnits", Qt::FindDirectChildrenOnly);
    return e ? *e : *new EqualUnits(plot);
  }
  void clear() { m_rects.clear(); }
  void add(QCPAxisRect* rect, graphics::Range x, graphics::Range y) {
    m_rects.push_back({rect, x, y});
    apply();
  }

 private:
  struct Entry {
    QPointer<QCPAxisRect> rect;
    graphics::Range x, y;
  };
  void apply() {
    for (const Entry& e : m_rects) {
      if (e.rect) {
        auto [x, y] = graphics::equalUnitRanges(e.x, e.y, e.rect->width(), e.rect->height());
        e.rect->axis(QCPAxis::atBottom)->setRange(x.lo, x.hi);
        e.rect->axis(QCPAxis::atLeft)->setRange(y.lo, y.hi);
      }
    }
  }
  std::vector<Entry> m_rects;
};

void startOver(QCustomPlot& plot) {
  plot.clearPlottables();
  plot.clearItems();
  plot.plotLayout()->clear();
  plot.setAutoAddPlottableToLegend(false);
  EqualUnits::of(plot).clear();
}

// A titled cell: the title above an axes rectangle.
QCPAxisRect* addPanel(QCustomPlot& plot, QCPLayoutGrid* grid, int row, int column,
                      const QString& title) {
  auto* cell = new QCPLayoutGrid;
  grid->addElement(row, column, cell);
  cell->setRowSpacing(0);
  cell->addElement(0, 0, new QCPTextElement(&plot, title, sized(plot, 8.5, true)));
  auto* rect = new QCPAxisRect(&plot);
  cell->addElement(1, 0, rect);
  QFont font = sized(plot, 8);
  for (QCPAxis* a : rect->axes()) {
    a->setLabelFont(font);
    a->setTickLabelFont(font);
  }
  return rect;
}

QCPLayoutGrid* addRow(QCPLayoutGrid* grid, int row) {
  auto* sub = new QCPLayoutGrid;
  grid->addElement(row, 0, sub);
  sub->setColumnSpacing(8);
  return sub;
}

// The caption broken after its separators (" · ", ", ") where a line
// would be wider than the page.
void addCaption(QCustomPlot& plot, int row, const std::string& caption) {
  const QFont font = sized(plot, 7.5);
  const QFontMetrics metrics(font);
  const QString all = text(caption);
  QString lines, line;
  int from = 0;
  while (from < all.size()) {
    int end = all.size();
    for (const QString& separator : {QString::fromUtf8(" \u00b7 "), QString(", ")}) {
      const int at = all.indexOf(separator, from);
      if (at >= 0) {
        end = std::min(end, at + static_cast<int>(separator.size()));
      }
    }
    const QString piece = all.mid(from, end - from);
    from = end;
    if (!line.isEmpty() && metrics.horizontalAdvance(line + piece) > kPageWidth - 24) {
      lines += line.trimmed() + "\n";
      line.clear();
    }
    line += piece;
  }
  auto* element = new QCPTextElement(&plot, lines + line, font);
  element->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
  plot.plotLayout()->addElement(row, 0, element);
}

// Rows as tall as `heights` says, in proportion, whatever the page's size.
void setRowHeights(QCustomPlot& plot, const std::vector<int>& heights) {
  for (size_t r = 0; r < heights.size(); ++r) {
    plot.plotLayout()->setRowStretchFactor(static_cast<int>(r), heights[r]);
  }
}

void hideAxes(QCPAxisRect* rect) {
  for (QCPAxis* a : rect->axes()) {
    a->setVisible(false);
  }
}

QCPAxis* bottom(QCPAxisRect* rect) {
  return rect->axis(QCPAxis::atBottom);
}
QCPAxis* left(QCPAxisRect* rect) {
  return rect->axis(QCPAxis::atLeft);
}

QCPItemLine* segment(QCustomPlot& plot, QCPAxisRect* rect, double x0, double y0, double x1,
                     double y1, const QPen& pen) {
  auto* line = new QCPItemLine(&plot);
  line->setClipAxisRect(rect);
  line->start->setAxes(bottom(rect), left(rect));
  line->end->setAxes(bottom(rect), left(rect));
  line->start->setCoords(x0, y0);
  line->end->setCoords(x1, y1);
  line->setPen(pen);
  return line;
}

QCPItemText* label(QCustomPlot& plot, QCPAxisRect* rect, double x, double y, const QString& s,
                   Qt::Alignment align, double points = 7.5) {
  auto* t = new QCPItemText(&plot);
  t->setClipAxisRect(rect);
  t->position->setAxes(bottom(rect), left(rect));
  t->position->setCoords(x, y);
  t->setPositionAlignment(align);
  t->setText(s);
  t->setFont(sized(plot, points));
  return t;
}

QCPGraph* points(QCPAxisRect* rect, const QVector<double>& x, const QVector<double>& y,
                 const QCPScatterStyle& marker) {
  auto* g = new QCPGraph(bottom(rect), left(rect));
  g->setData(x, y);
  g->setLineStyle(QCPGraph::lsNone);
  g->setScatterStyle(marker);
  return g;
}

// --- shape changes -------------------------------------------------------

// 2D: the consensus, the consensus + factor · shift with its thin-plate
// spline grid and the vectors between them; 3D: projected, without grid.
void shapePanel(QCustomPlot& plot, QCPAxisRect* rect, const Matrix& base, const Matrix& shift,
                double factor, const QColor& colour) {
  hideAxes(rect);
  const graphics::View3D view;
  auto screen = [&](const Matrix& m) {
    std::array<QVector<double>, 2> out;
    for (Index i = 0; i < m.rows(); ++i) {
      std::array<double, 2> p = m.cols() == 3 ? view.project(m(i, 0), m(i, 1), m(i, 2))
                                              : std::array<double, 2>{m(i, 0), m(i, 1)};
      out[0].push_back(p[0]);
      out[1].push_back(p[1]);
    }
    return out;
  };
  std::vector<double> allX, allY;
  const Matrix target = base + factor * shift;
  if (base.cols() == 2 && base.rows() >= 3) {
    try {
      DeformationGrid grid = squareGrid(base, kGridCells, kGridSamples, kGridMargin);
      DeformationGrid field = deformationGrid(ThinPlateSpline2D(base, shift), grid);
      QPen gridPen(QColor(150, 150, 150), 0.7);
      for (size_t l = 0; l < grid.lines.size(); ++l) {
        const Matrix line = grid.lines[l] + factor * field.lines[l];
        auto* c = new QCPCurve(bottom(rect), left(rect));
        c->setData(QVector<double>(line.col(0).begin(), line.col(0).end()),
                   QVector<double>(line.col(1).begin(), line.col(1).end()));
        c->setPen(gridPen);
        allX.insert(allX.end(), line.col(0).begin(), line.col(0).end());
        allY.insert(allY.end(), line.col(1).begin(), line.col(1).end());
      }
    } catch (const Error&) {
      // Landmarks on one line have no spline; the vectors still show.
    }
  }
  auto from = screen(base);
  auto to = screen(target);
  for (int i = 0; i < from[0].size(); ++i) {
    segment(plot, rect, from[0][i], from[1][i], to[0][i], to[1][i], QPen(colour, 1.2))
        ->setHead(QCPLineEnding(QCPLineEnding::esSpikeArrow, 4, 5));
  }
  points(rect, from[0], from[1], QCPScatterStyle(QCPScatterStyle::ssCircle, kNeutral, 5));
  points(rect, to[0], to[1], QCPScatterStyle(QCPScatterStyle::ssDisc, colour, 5));
  for (const auto* s : {&from, &to}) {
    allX.insert(allX.end(), (*s)[0].begin(), (*s)[0].end());
    allY.insert(allY.end(), (*s)[1].begin(), (*s)[1].end());
  }
  EqualUnits::of(plot).add(rect, graphics::padded(graphics::boundsOf(allX), kPadding),
                           graphics::padded(graphics::boundsOf(allY), kPadding));
}

// The shape changes at −c and +c side by side.
void shapeRow(QCustomPlot& plot, int row, const Matrix& base, const Matrix& shift, double c,
              const QString& title, const QColor& colour) {
  QCPLayoutGrid* sub = addRow(plot.plotLayout(), row);
  for (int s = 0; s < 2; ++s) {
    const double f = s == 0 ? -c : c;
    shapePanel(plot, addPanel(plot, sub, 0, s, title + ": " + deviationsText(f)), base, shift, f,
               colour);
  }
}

// The loadings of a vector as bars, where there is no shape to change.
void loadingsPanel(QCPAxisRect* rect, const Vector& loading, const QColor& colour) {
  QVector<double> x, y;
  for (Index i = 0; i < loading.size(); ++i) {
    x.push_back(static_cast<double>(i + 1));
    y.push_back(loading(i));
  }
  auto* bars = new QCPBars(bottom(rect), left(rect));
  bars->setData(x, y, true);
  bars->setWidth(0.7);
  bars->setPen(Qt::NoPen);
  bars->setBrush(colour);
  bottom(rect)->setRange(0.4, static_cast<double>(loading.size()) + 0.6);
  bottom(rect)->setLabel("variable");
  const double top = std::max(loading.cwiseAbs().maxCoeff(), 1e-12) * 1.1;
  left(rect)->setRange(-top, top);
  left(rect)->setLabel("loading");
}

// --- tables ----------------------------------------------------------------

// rows × columns of `values` as coloured cells (white at `lo`, `colour` at
// `hi`) with the numbers printed; the first row on top.
void tablePanel(QCustomPlot& plot, QCPAxisRect* rect, const std::vector<std::string>& rows,
                const std::vector<std::string>& columns, const Matrix& values, int decimals,
                double lo, double hi, const QColor& colour) {
  QSharedPointer<QCPAxisTickerText> xTicks(new QCPAxisTickerText);
  QSharedPointer<QCPAxisTickerText> yTicks(new QCPAxisTickerText);
  for (size_t j = 0; j < columns.size(); ++j) {
    xTicks->addTick(static_cast<double>(j), text(columns[j]));
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    yTicks->addTick(static_cast<double>(i), text(rows[i]));
  }
  bottom(rect)->setTicker(xTicks);
  left(rect)->setTicker(yTicks);
  bottom(rect)->setRange(-0.5, static_cast<double>(columns.size()) - 0.5);
  left(rect)->setRange(-0.5, static_cast<double>(rows.size()) - 0.5);
  left(rect)->setRangeReversed(true);
  for (QCPAxis* a : {bottom(rect), left(rect)}) {
    a->grid()->setVisible(false);
    a->setTickLength(0, 0);
    a->setSubTicks(false);
    a->setBasePen(Qt::NoPen);
  }
  bottom(rect)->setTickLabelRotation(columns.size() > 8 ? 45 : 0);
  const double span = hi > lo ? hi - lo : 1;
  for (Index i = 0; i < values.rows(); ++i) {
    for (Index j = 0; j < values.cols(); ++j) {
      const double v = values(i, j);
      auto* cell = new QCPItemRect(&plot);
      cell->setClipAxisRect(rect);
      cell->topLeft->setAxes(bottom(rect), left(rect));
      cell->bottomRight->setAxes(bottom(rect), left(rect));
      cell->topLeft->setCoords(static_cast<double>(j) - 0.5, static_cast<double>(i) - 0.5);
      cell->bottomRight->setCoords(static_cast<double>(j) + 0.5, static_cast<double>(i) + 0.5);
      const double t = std::isfinite(v) ? std::clamp((v - lo) / span, 0.0, 1.0) : 0.0;
      QColor fill(static_cast<int>(255 + t * (colour.red() - 255)),
                  static_cast<int>(255 + t * (colour.green() - 255)),
                  static_cast<int>(255 + t * (colour.blue() - 255)));
      cell->setBrush(std::isfinite(v) ? fill : QColor(235, 235, 235));
      cell->setPen(QPen(Qt::white, 1));
      QCPItemText* number = label(plot, rect, static_cast<double>(j), static_cast<double>(i),
                                  fixed(v, decimals), Qt::AlignCenter);
      number->setColor(t > 0.6 ? Qt::white : Qt::black);
    }
  }
}

int tableHeight(size_t rows) {
  return kTitleRow + 40 + kCellHeight * static_cast<int>(rows);
}

// --- the pages ---------------------------------------------------------------

void checkPair(size_t pair, size_t pairs, const char* what) {
  if (pair >= pairs) {
    throw Error(std::string(what) + ": pair " + std::to_string(pair + 1) +
                " does not exist; there are " + std::to_string(pairs));
  }
}

void checkDeviations(double c) {
  if (!std::isfinite(c) || !(c > 0)) {
    throw Error("the shape change must be a positive number of standard deviations; it is " +
                format("%g", {c}));
  }
}

void eigenvaluesPanel(QCustomPlot& plot, QCPAxisRect* rect, const RelativeEigenPair& p) {
  QCPAxis* y = left(rect);
  y->setScaleType(QCPAxis::stLogarithmic);
  y->setLabel("relative eigenvalue (log scale)");
  QCPAxis* x = bottom(rect);
  QSharedPointer<QCPAxisTickerFixed> steps(new QCPAxisTickerFixed);
  steps->setTickStep(1);
  steps->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
  x->setTicker(steps);
  x->setLabel("relative eigenvector");
  const Index n = p.eigenvalues.size();
  x->setRange(0.4, static_cast<double>(n) + 0.6);
  double lo = 1, hi = 1;
  QVector<double> xs, ys;
  for (Index i = 0; i < n; ++i) {
    const double at = static_cast<double>(i + 1);
    xs.push_back(at);
    ys.push_back(p.eigenvalues(i));
    lo = std::min(lo, p.eigenvalues(i));
    hi = std::max(hi, p.eigenvalues(i));
    if (p.bootstrap) {
      const double a = p.bootstrap->lower(i), b = p.bootstrap->upper(i);
      if (std::isfinite(a) && std::isfinite(b) && a > 0) {
        segment(plot, rect, at, a, at, b, QPen(kFirst, 1.4));
        segment(plot, rect, at - 0.12, a, at + 0.12, a, QPen(kFirst, 1.2));
        segment(plot, rect, at - 0.12, b, at + 0.12, b, QPen(kFirst, 1.2));
        lo = std::min(lo, a);
        hi = std::max(hi, b);
      }
    }
  }
  y->setRange(lo / 1.3, hi * 1.3);
  // 1, 2 and 5 of each decade: a log ticker labels the decades only.
  QSharedPointer<QCPAxisTickerText> ticks(new QCPAxisTickerText);
  for (int decade = -6; decade <= 6; ++decade) {
    for (double m : {1.0, 2.0, 5.0}) {
      const double v = m * std::pow(10.0, decade);
      if (v >= lo / 1.3 && v <= hi * 1.3) {
        ticks->addTick(v, QString::number(v, 'g', 3));
      }
    }
  }
  y->setTicker(ticks);
  auto* one = new QCPItemStraightLine(&plot);
  one->setClipAxisRect(rect);
  one->point1->setAxes(x, y);
  one->point2->setAxes(x, y);
  one->point1->setCoords(0, 1);
  one->point2->setCoords(1, 1);
  one->setPen(QPen(kNeutral, 1, Qt::DashLine));
  points(rect, xs, ys, QCPScatterStyle(QCPScatterStyle::ssDisc, kFirst, 7));
}

void relativePage(QCustomPlot& plot, const CovarianceResult& c,
                  const CovariancePictureChoice& choice) {
  const RelativeEigenanalysis& r = *c.relativeEigen;
  checkPair(choice.pair, r.pairs.size(), "relative eigenanalysis");
  checkDeviations(choice.deviations);
  startOver(plot);
  const RelativeEigenPair& p = r.pairs[choice.pair];
  const std::string& a = c.names[p.first];
  const std::string& b = c.names[p.second];
  QString title = text(a + " relative to " + b + ": relative eigenvalues");
  if (p.bootstrap) {
    title += QString(" with %1 % bootstrap intervals").arg(100 * p.bootstrap->level, 0, 'g', 3);
  }
  eigenvaluesPanel(plot, addPanel(plot, plot.plotLayout(), 0, 0, title), p);
  const Index last = p.eigenvalues.size() - 1;
  auto vectorTitle = [&](Index j, const std::string& more) {
    return text(more) + QString::fromUtf8(" varies more: vector %1, \u03bb = %2")
                            .arg(j + 1)
                            .arg(fixed(p.eigenvalues(j), 3));
  };
  int row = 1;
  std::vector<int> heights{kEigenvaluesHeight};
  if (!p.displacements.empty() && c.consensus.size() > 0) {
    // Each at the spread of the group that varies more along it.
    shapeRow(plot, row++, c.consensus, p.displacements[0] * p.deviations(0, 0), choice.deviations,
             vectorTitle(0, a), kFirst);
    shapeRow(plot, row++, c.consensus,
             p.displacements[static_cast<size_t>(last)] * p.deviations(last, 1), choice.deviations,
             vectorTitle(last, b), kSecond);
    heights.insert(heights.end(), {kShapeRowHeight, kShapeRowHeight});
  } else {
    QCPLayoutGrid* sub = addRow(plot.plotLayout(), row++);
    loadingsPanel(addPanel(plot, sub, 0, 0, vectorTitle(0, a)), p.loadings.col(0), kFirst);
    loadingsPanel(addPanel(plot, sub, 0, 1, vectorTitle(last, b)), p.loadings.col(last), kSecond);
    heights.push_back(kShapeRowHeight);
  }
  addCaption(plot, row, c.caption);
  heights.push_back(kCaptionHeight);
  setRowHeights(plot, heights);
}

void distancesPage(QCustomPlot& plot, const CovarianceResult& c,
                   const CovariancePictureChoice& choice) {
  const CovarianceDistances& d = *c.distances;
  const PrincipalCoordinates& o = d.ordination;
  const int axes = static_cast<int>(o.coordinates.cols());
  for (int a : {choice.axisX, choice.axisY}) {
    if (a < 0 || (a >= axes && a >= 2)) {
      throw Error("ordination: principal coordinate " + std::to_string(a + 1) +
                  " does not exist; there are " + std::to_string(axes));
    }
  }
  if (choice.axisX == choice.axisY) {
    throw Error("ordination: both axes are principal coordinate " +
                std::to_string(choice.axisX + 1) + "; choose two different ones");
  }
  startOver(plot);
  QCPAxisRect* rect = addPanel(plot, plot.plotLayout(), 0, 0,
                               "Ordination of the groups by their squared Riemannian distances");
  // With two groups there is one coordinate; the other axis is 0.
  auto coordinate = [&](int axis, Index g) { return axis < axes ? o.coordinates(g, axis) : 0.0; };
  QVector<double> xs, ys;
  for (size_t g = 0; g < c.names.size(); ++g) {
    xs.push_back(coordinate(choice.axisX, static_cast<Index>(g)));
    ys.push_back(coordinate(choice.axisY, static_cast<Index>(g)));
    label(plot, rect, xs.back(), ys.back(), QString("  ") + text(c.names[g]),
          Qt::AlignLeft | Qt::AlignVCenter, 8);
  }
  points(rect, xs, ys, QCPScatterStyle(QCPScatterStyle::ssDisc, kFirst, 7));
  auto axisLabel = [&](int axis) {
    if (axis >= o.eigenvalues.size()) {
      return QString("principal coordinate %1").arg(axis + 1);
    }
    return QString("principal coordinate %1 (%2 % of the squared distances)")
        .arg(axis + 1)
        .arg(100 * o.shares(axis), 0, 'f', 1);
  };
  bottom(rect)->setLabel(axisLabel(choice.axisX));
  left(rect)->setLabel(axisLabel(choice.axisY));
  std::vector<double> allX(xs.begin(), xs.end()), allY(ys.begin(), ys.end());
  graphics::Range x = graphics::padded(graphics::boundsOf(allX), 0.25);
  graphics::Range y = graphics::padded(graphics::boundsOf(allY), 0.15);
  bottom(rect)->setRange(x.lo, x.hi);
  left(rect)->setRange(y.lo, y.hi);
  int row = 1;
  std::vector<int> heights{kScatterHeight};
  if (c.names.size() <= kLargestTable) {
    tablePanel(plot, addPanel(plot, plot.plotLayout(), row++, 0, "Riemannian distances"), c.names,
               c.names, d.riemannian, 3, 0, d.riemannian.maxCoeff(), kFirst);
    heights.push_back(tableHeight(c.names.size()));
  }
  addCaption(plot, row, c.caption);
  heights.push_back(kCaptionHeight);
  setRowHeights(plot, heights);
}

void skewersPage(QCustomPlot& plot, const CovarianceResult& c,
                 const CovariancePictureChoice& choice) {
  const RandomSkewers& s = *c.skewers;
  checkPair(choice.pair, s.pairs.size(), "random skewers");
  startOver(plot);
  const SkewerPair& p = s.pairs[choice.pair];
  QCPAxisRect* rect =
      addPanel(plot, plot.plotLayout(), 0, 0,
               text(c.names[p.first] + " and " + c.names[p.second]) +
                   QString(": correlations of the responses to %1 random skewers").arg(s.skewers));
  const int bins = std::clamp(static_cast<int>(std::sqrt(double(s.skewers))) * 2, 20, 120);
  double lo = std::min(p.correlations.minCoeff(), s.reference.minCoeff());
  double hi = std::max(p.correlations.maxCoeff(), s.reference.maxCoeff());
  lo = std::max(-1.0, lo);
  hi = std::min(1.0, std::max(hi, lo + 1e-9));
  const double width = (hi - lo) / bins;
  auto counts = [&](const Vector& v) {
    QVector<double> n(bins, 0);
    for (double r : v) {
      if (std::isfinite(r)) {
        n[std::clamp(static_cast<int>((r - lo) / width), 0, bins - 1)] += 1;
      }
    }
    return n;
  };
  QVector<double> centres;
  for (int i = 0; i < bins; ++i) {
    centres.push_back(lo + (i + 0.5) * width);
  }
  auto* reference = new QCPBars(bottom(rect), left(rect));
  reference->setData(centres, counts(s.reference), true);
  reference->setWidthType(QCPBars::wtPlotCoords);
  reference->setWidth(width);
  reference->setPen(Qt::NoPen);
  reference->setBrush(QColor(170, 170, 170, 160));
  auto* pair = new QCPBars(bottom(rect), left(rect));
  pair->setData(centres, counts(p.correlations), true);
  pair->setWidthType(QCPBars::wtPlotCoords);
  pair->setWidth(width);
  pair->setPen(Qt::NoPen);
  pair->setBrush(QColor(kFirst.red(), kFirst.green(), kFirst.blue(), 190));
  bottom(rect)->setRange(lo - width, hi + width);
  bottom(rect)->setLabel("vector correlation");
  left(rect)->setLabel("skewers");
  left(rect)->rescale();
  left(rect)->setRangeLower(0);
  left(rect)->setRangeUpper(left(rect)->range().upper * 1.15);
  auto* mean = new QCPItemStraightLine(&plot);
  mean->setClipAxisRect(rect);
  mean->point1->setAxes(bottom(rect), left(rect));
  mean->point2->setAxes(bottom(rect), left(rect));
  mean->point1->setCoords(p.meanCorrelation, 0);
  mean->point2->setCoords(p.meanCorrelation, 1);
  mean->setPen(QPen(kSecond, 1.2));
  label(plot, rect, p.meanCorrelation, left(rect)->range().upper,
        QString("mean %1, p = %2").arg(fixed(p.meanCorrelation, 4)).arg(p.p, 0, 'g', 4),
        Qt::AlignTop | Qt::AlignRight)
      ->setColor(kSecond);
  label(plot, rect, lo, left(rect)->range().upper,
        "grey: correlations of pairs of random vectors (reference)", Qt::AlignTop | Qt::AlignLeft)
      ->setColor(kNeutral);
  addCaption(plot, 1, c.caption);
  setRowHeights(plot, {kHistogramHeight, kCaptionHeight});
}

void correlationPage(QCustomPlot& plot, const CovarianceResult& c) {
  const MatrixCorrelation& m = *c.correlation;
  startOver(plot);
  const Index k = static_cast<Index>(c.names.size());
  Matrix table = Matrix::Constant(k, k, std::numeric_limits<double>::quiet_NaN());
  for (const CorrelationPair& p : m.pairs) {
    table(static_cast<Index>(p.first), static_cast<Index>(p.second)) = p.correlation;
    table(static_cast<Index>(p.second), static_cast<Index>(p.first)) = p.correlation;
  }
  table.diagonal().setOnes();
  int row = 0;
  if (c.names.size() <= kLargestTable) {
    tablePanel(plot,
               addPanel(plot, plot.plotLayout(), row++, 0,
                        m.diagonal ? "Matrix correlations (elements with the diagonal)"
                                   : "Matrix correlations (off-diagonal elements)"),
               c.names, c.names, table, 3, 0, 1, kFirst);
  }
  addCaption(plot, row, c.caption);
  setRowHeights(plot, {tableHeight(c.names.size()), kCaptionHeight});
}

void subspacePage(QCustomPlot& plot, const CovarianceResult& c,
                  const CovariancePictureChoice& choice) {
  const CommonSubspace& h = *c.subspace;
  checkDeviations(choice.deviations);
  startOver(plot);
  int row = 0;
  std::vector<int> heights;
  const int shown = std::min(h.k, kMostShapeRows);
  for (int j = 0; j < shown; ++j) {
    const QString title = QString("H eigenvector %1 (eigenvalue %2 of %3)")
                              .arg(j + 1)
                              .arg(fixed(h.eigenvalues(j), 3))
                              .arg(c.names.size());
    if (!h.displacements.empty() && c.consensus.size() > 0) {
      shapeRow(plot, row++, c.consensus,
               h.displacements[static_cast<size_t>(j)] * c.subspaceDeviations(j), choice.deviations,
               title, kFirst);
    } else {
      QCPLayoutGrid* sub = addRow(plot.plotLayout(), row++);
      loadingsPanel(addPanel(plot, sub, 0, 0, title), h.loadings.col(j), kFirst);
    }
    heights.push_back(kShapeRowHeight);
  }
  if (c.names.size() <= kLargestTable) {
    std::vector<std::string> columns;
    for (int j = 0; j < h.k; ++j) {
      columns.push_back("H " + std::to_string(j + 1));
    }
    tablePanel(plot,
               addPanel(plot, plot.plotLayout(), row++, 0,
                        QString::fromUtf8("Angles (\u00b0) between each group's subspace and "
                                          "H's leading eigenvectors")),
               c.names, columns, h.angles, 1, 0, 90, kSecond);
    heights.push_back(tableHeight(c.names.size()));
  }
  addCaption(plot, row, c.caption);
  heights.push_back(kCaptionHeight);
  setRowHeights(plot, heights);
}

}  // namespace

void drawCovariancePage(QCustomPlot& plot, const CovarianceResult& c,
                        const CovariancePictureChoice& choice) {
  if (c.relativeEigen) {
    relativePage(plot, c, choice);
  } else if (c.distances) {
    distancesPage(plot, c, choice);
  } else if (c.skewers) {
    skewersPage(plot, c, choice);
  } else if (c.correlation) {
    correlationPage(plot, c);
  } else if (c.subspace) {
    subspacePage(plot, c, choice);
  }
  plot.replot(QCustomPlot::rpQueuedReplot);
}

QSize covariancePageSize(const CovarianceResult& c) {
  const size_t k = c.names.size();
  const int table = k <= kLargestTable ? tableHeight(k) : 0;
  int height = kCaptionHeight;
  if (c.relativeEigen) {
    const bool shapes = !c.relativeEigen->pairs.empty() &&
                        !c.relativeEigen->pairs.front().displacements.empty() &&
                        c.consensus.size() > 0;
    height += kEigenvaluesHeight + (shapes ? 2 : 1) * kShapeRowHeight;
  } else if (c.distances) {
    height += kScatterHeight + table;
  } else if (c.skewers) {
    height += kHistogramHeight;
  } else if (c.correlation) {
    height += table;
  } else if (c.subspace) {
    height += std::min(c.subspace->k, kMostShapeRows) * kShapeRowHeight + table;
  }
  return QSize(kPageWidth, height);
}

}  // namespace vexmoor
