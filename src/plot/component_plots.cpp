#include "plot/component_plots.h"

#include <qcustomplot.h>

#include <QPointer>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "graphics/line_object.h"
#include "graphics/marker_style.h"
#include "plot/picture_caption.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "shape/thin_plate_spline.h"

namespace vexmoor {
namespace {

constexpr double kEllipseLevel = 0.95;
constexpr int kEllipseSegments = 96;
constexpr int kGridCells = 12;
constexpr int kGridSamples = 2;
constexpr double kGridMargin = 0.12;
constexpr double kPadding = 0.06;
constexpr int kPageWidth = 720;
constexpr int kPageHeight = 1180;
// From this many landmarks a panel draws its vectors as one set of plain
// segments and its landmarks as dots: arrowheads and rings would hide each
// other, and thousands of them take seconds to paint.
constexpr size_t kDenseLandmarks = 300;

// Group 1 and 2 as the window plots them ("bo", "rs"), then further styles.
constexpr std::array<const char*, 7> kGroupStyles{"bo", "rs", "g^", "md", "cv", "kp", "yh"};

struct GroupLook {
  QColor colour;
  QCPScatterStyle marker;
  QCPScatterStyle target;  // the displaced shape's landmarks, a little smaller
};

GroupLook groupLook(size_t g) {
  graphics::PlotStyle style = graphics::parsePlotStyle(kGroupStyles[g % kGroupStyles.size()]);
  graphics::LineStyle line;
  line.color = *style.color;
  line.marker = *style.marker;
  line.markerSize = 3;
  QCPScatterStyle marker = graphics::scatterStyle(line);
  line.markerSize = 2.5;
  return {graphics::toQColor(*style.color), marker, graphics::scatterStyle(line)};
}

QString text(const std::string& s) {
  return QString::fromStdString(s);
}

QString deviations(double f) {
  return QString::fromUtf8(f < 0 ? "\u2212" : "+") + QString::number(std::abs(f), 'g', 3) + " sd";
}

QFont sized(const QCustomPlot& plot, double points, bool bold = false) {
  QFont f = plot.font();
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

// Keeps equal data units on both axes of its rectangles whatever size the
// plot is laid out at (window or picture file): after every layout pass
// each rectangle gets the smallest ranges around its data that do.
class EqualUnits : public QObject {
 public:
  explicit EqualUnits(QCustomPlot& plot) : QObject(&plot) {
    setObjectName("ComponentEqualUnits");
    connect(&plot, &QCustomPlot::afterLayout, this, [this] { apply(); });
  }
  static EqualUnits& of(QCustomPlot& plot) {
    auto* e = plot.findChild<EqualUnits*>("ComponentEqualUnits", Qt::FindDirectChildrenOnly);
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
      if (!e.rect) {
        continue;
      }
      auto [x, y] = graphics::equalUnitRanges(e.x, e.y, e.rect->width(), e.rect->height());
      e.rect->axis(QCPAxis::atBottom)->setRange(x.lo, x.hi);
      e.rect->axis(QCPAxis::atLeft)->setRange(y.lo, y.hi);
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

void addHeading(QCustomPlot& plot, QCPLayoutGrid* grid, int row, const QString& title) {
  grid->addElement(row, 0, new QCPTextElement(&plot, title, sized(plot, 9.5, true)));
}

QCPLayoutGrid* addRow(QCPLayoutGrid* grid, int row) {
  auto* sub = new QCPLayoutGrid;
  grid->addElement(row, 0, sub);
  sub->setColumnSpacing(8);
  return sub;
}

graphics::Range rangeOf(const std::vector<double>& v) {
  return graphics::padded(graphics::boundsOf(v), kPadding);
}

QCPCurve* curve(QCPAxisRect* rect, const std::vector<double>& x, const std::vector<double>& y,
                QPen pen) {
  auto* c = new QCPCurve(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
  c->setData(QVector<double>(x.begin(), x.end()), QVector<double>(y.begin(), y.end()));
  c->setPen(pen);
  c->setScatterStyle(QCPScatterStyle::ssNone);
  return c;
}

QCPGraph* points(QCPAxisRect* rect, const std::vector<double>& x, const std::vector<double>& y,
                 const QCPScatterStyle& marker) {
  auto* g = new QCPGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
  g->setData(QVector<double>(x.begin(), x.end()), QVector<double>(y.begin(), y.end()));
  g->setLineStyle(QCPGraph::lsNone);
  g->setScatterStyle(marker);
  return g;
}

// Landmark coordinates as the panel draws them: 2D as they are, 3D
// projected for the view.
std::array<std::vector<double>, 2> screenOf(const Matrix& shape, const graphics::View3D& view) {
  std::array<std::vector<double>, 2> out;
  for (Index i = 0; i < shape.rows(); ++i) {
    if (shape.cols() == 3) {
      auto p = view.project(shape(i, 0), shape(i, 1), shape(i, 2));
      out[0].push_back(p[0]);
      out[1].push_back(p[1]);
    } else {
      out[0].push_back(shape(i, 0));
      out[1].push_back(shape(i, 1));
    }
  }
  return out;
}

void hideAxes(QCPAxisRect* rect) {
  for (QCPAxis* a : rect->axes()) {
    a->setVisible(false);
  }
}

// The spline field of a shift over the consensus: the grid warped onto
// consensus + f · shift is grid + f · field. Empty without a spline (3D,
// or landmarks on one line).
struct GridField {
  DeformationGrid grid, field;
};

GridField gridField(const Matrix& base, const Matrix& shift) {
  GridField g;
  if (base.cols() == 2 && base.rows() >= 3) {
    try {
      g.grid = squareGrid(base, kGridCells, kGridSamples, kGridMargin);
      g.field = deformationGrid(ThinPlateSpline2D(base, shift), g.grid);
    } catch (const Error&) {
      g = {};  // the vectors still show
    }
  }
  return g;
}

using ScreenPoints = std::array<std::vector<double>, 2>;

// A vector per landmark, with its head, over ringed landmarks.
void arrowPanel(QCustomPlot& plot, QCPAxisRect* rect, const ScreenPoints& from,
                const ScreenPoints& to, const GroupLook& look) {
  QPen arrowPen(look.colour, 1.2);
  for (size_t i = 0; i < from[0].size(); ++i) {
    auto* arrow = new QCPItemLine(&plot);
    arrow->setClipAxisRect(rect);
    arrow->start->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
    arrow->end->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
    arrow->start->setCoords(from[0][i], from[1][i]);
    arrow->end->setCoords(to[0][i], to[1][i]);
    arrow->setPen(arrowPen);
    arrow->setHead(QCPLineEnding(QCPLineEnding::esSpikeArrow, 4, 5));
  }
  points(rect, from[0], from[1], QCPScatterStyle(QCPScatterStyle::ssCircle, QColor(90, 90, 90), 5));
  points(rect, to[0], to[1], look.target);
}

// The vectors as one curve of segments (NaN between them breaks it), the
// landmarks as dots.
void densePanel(QCPAxisRect* rect, const ScreenPoints& from, const ScreenPoints& to,
                const QColor& colour) {
  const double gap = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> x, y;
  for (size_t i = 0; i < from[0].size(); ++i) {
    x.insert(x.end(), {from[0][i], to[0][i], gap});
    y.insert(y.end(), {from[1][i], to[1][i], gap});
  }
  curve(rect, x, y, QPen(colour, 0.8));
  points(rect, from[0], from[1],
         QCPScatterStyle(QCPScatterStyle::ssDot, QPen(QColor(90, 90, 90), 2), Qt::NoBrush, 2));
  points(rect, to[0], to[1],
         QCPScatterStyle(QCPScatterStyle::ssDot, QPen(colour, 2), Qt::NoBrush, 2));
}

// The consensus, the target consensus + factor · shift, the vectors between
// them and, in 2D, the thin-plate-spline grid carried onto the target.
void shapePanel(QCustomPlot& plot, QCPAxisRect* rect, const Matrix& base, const Matrix& shift,
                const GridField& spline, double factor, const GroupLook& look,
                const graphics::View3D& view) {
  hideAxes(rect);
  Matrix target = base + factor * shift;
  std::vector<double> allX, allY;
  QPen gridPen(QColor(150, 150, 150), 0.7);
  for (size_t l = 0; l < spline.grid.lines.size(); ++l) {
    Matrix line = spline.grid.lines[l] + factor * spline.field.lines[l];
    std::vector<double> x(line.col(0).begin(), line.col(0).end());
    std::vector<double> y(line.col(1).begin(), line.col(1).end());
    curve(rect, x, y, gridPen);
    allX.insert(allX.end(), x.begin(), x.end());
    allY.insert(allY.end(), y.begin(), y.end());
  }
  auto from = screenOf(base, view);
  auto to = screenOf(target, view);
  if (from[0].size() >= kDenseLandmarks) {
    densePanel(rect, from, to, look.colour);
  } else {
    arrowPanel(plot, rect, from, to, look);
  }
  for (int s = 0; s < 2; ++s) {
    const std::vector<double>& a = s == 0 ? from[0] : to[0];
    const std::vector<double>& b = s == 0 ? from[1] : to[1];
    allX.insert(allX.end(), a.begin(), a.end());
    allY.insert(allY.end(), b.begin(), b.end());
  }
  EqualUnits::of(plot).add(rect, rangeOf(allX), rangeOf(allY));
}

QString axisTitle(const std::string& name, const PrincipalComponents& pc, size_t g, int j) {
  const ComponentAxis& a = pc.groups[g].axes[static_cast<size_t>(j)];
  return text(name) + QString(", PC %1 (%2 %)").arg(j + 1).arg(100 * a.share, 0, 'f', 1);
}

QString directionTitle(const std::string& name, int angle) {
  return text(name) + QString(", direction of angle %1").arg(angle + 1);
}

QString angleHeading(const PrincipalComponents& pc, size_t pair, int i) {
  const ComponentPair& p = pc.pairs[pair];
  return QString::fromUtf8("principal angle %1 of %2: %3\u00b0")
      .arg(i + 1)
      .arg(p.angles.size())
      .arg(p.angles(i), 0, 'f', 2);
}

void scorePanel(QCustomPlot& plot, QCPAxisRect* rect, const PrincipalComponents& pc,
                const GroupNames& names, int ax, int ay) {
  std::vector<double> allX, allY;
  auto* legend = new QCPLegend;
  rect->insetLayout()->addElement(legend, Qt::AlignTop | Qt::AlignRight);
  legend->setLayer("legend");
  legend->setFont(sized(plot, 7.5));
  legend->setBrush(QColor(255, 255, 255, 210));
  for (size_t g = 0; g < pc.pooledScores.size(); ++g) {
    const Matrix& s = pc.pooledScores[g];
    GroupLook look = groupLook(g);
    std::vector<double> x(s.col(ax).begin(), s.col(ax).end());
    std::vector<double> y(s.col(ay).begin(), s.col(ay).end());
    QCPGraph* graph = points(rect, x, y, look.marker);
    graph->setName(text(names[g]));
    graph->addToLegend(legend);
    allX.insert(allX.end(), x.begin(), x.end());
    allY.insert(allY.end(), y.begin(), y.end());
    Matrix plane(s.rows(), 2);
    plane << s.col(ax), s.col(ay);
    Matrix e = dataEllipse(plane, kEllipseLevel, kEllipseSegments);
    if (e.rows() > 0) {
      std::vector<double> ex(e.col(0).begin(), e.col(0).end());
      std::vector<double> ey(e.col(1).begin(), e.col(1).end());
      curve(rect, ex, ey, QPen(look.colour, 1.0));
      allX.insert(allX.end(), ex.begin(), ex.end());
      allY.insert(allY.end(), ey.begin(), ey.end());
    }
  }
  auto title = [&](int j) {
    return QString("pooled PC %1 (%2 % of the variance)")
        .arg(j + 1)
        .arg(100 * pc.pooledShares(j), 0, 'f', 1);
  };
  rect->axis(QCPAxis::atBottom)->setLabel(title(ax));
  rect->axis(QCPAxis::atLeft)->setLabel(title(ay));
  EqualUnits::of(plot).add(rect, rangeOf(allX), rangeOf(allY));
}

void screePanel(QCustomPlot& plot, QCPAxisRect* rect, const PrincipalComponents& pc,
                const GroupNames& names) {
  Index shown = shownComponents(pc.k, pc.variables);
  auto* legend = new QCPLegend;
  rect->insetLayout()->addElement(legend, Qt::AlignTop | Qt::AlignRight);
  legend->setLayer("legend");
  legend->setFont(sized(plot, 7.5));
  double top = 0;
  for (size_t g = 0; g < pc.groups.size(); ++g) {
    GroupLook look = groupLook(g);
    std::vector<double> x, y;
    for (Index i = 0; i < shown; ++i) {
      x.push_back(static_cast<double>(i + 1));
      y.push_back(100 * pc.groups[g].shares(i));
      top = std::max(top, y.back());
    }
    QCPGraph* graph = points(rect, x, y, look.marker);
    graph->setLineStyle(QCPGraph::lsLine);
    graph->setPen(QPen(look.colour, 1.2));
    graph->setName(text(names[g]));
    graph->addToLegend(legend);
  }
  QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
  ticker->setTickStep(1);
  ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
  QCPAxis* x = rect->axis(QCPAxis::atBottom);
  x->setTicker(ticker);
  x->setRange(0.5, static_cast<double>(shown) + 0.5);
  x->setLabel("component");
  QCPAxis* y = rect->axis(QCPAxis::atLeft);
  y->setRange(0, std::max(1.0, top * 1.1));
  y->setLabel("share of the group's variance (%)");
}

// The ±c pair of panels of one choice in row `row` of `grid`.
void shapeChangeRow(QCustomPlot& plot, QCPLayoutGrid* grid, int row, const PrincipalComponents& pc,
                    const GroupNames& names, const ShapeChangeChoice& choice, double c,
                    const graphics::View3D& view) {
  QCPLayoutGrid* sub = addRow(grid, row);
  const Matrix* shift = nullptr;
  size_t group = choice.group;
  QString title;
  if (choice.kind == ShapeChangeChoice::Kind::kAxis) {
    shift = &pc.groups[group].axes[static_cast<size_t>(choice.index)].displacement;
    title = axisTitle(names[group], pc, group, choice.index);
  } else {
    const ComponentPair& p = pc.pairs[choice.pair];
    const DirectionPair& d = p.directions[static_cast<size_t>(choice.index)];
    shift = &d.displacement[choice.group];
    group = choice.group == 0 ? p.first : p.second;
    title = directionTitle(names[group], choice.index) +
            QString::fromUtf8(" (%1\u00b0)").arg(d.angle, 0, 'f', 2);
  }
  GridField spline = gridField(pc.consensus, *shift);
  for (int s = 0; s < 2; ++s) {
    double f = s == 0 ? -c : c;
    QCPAxisRect* rect = addPanel(plot, sub, 0, s, title + ": " + deviations(f));
    shapePanel(plot, rect, pc.consensus, *shift, spline, f, groupLook(group), view);
  }
}

// Both directions of angle i of a pair, side by side, at +c.
void meetingRow(QCustomPlot& plot, QCPLayoutGrid* grid, int row, const PrincipalComponents& pc,
                const GroupNames& names, size_t pair, int i, double c,
                const graphics::View3D& view) {
  const ComponentPair& p = pc.pairs[pair];
  const DirectionPair& d = p.directions[static_cast<size_t>(i)];
  QCPLayoutGrid* sub = addRow(grid, row);
  for (int s = 0; s < 2; ++s) {
    size_t group = s == 0 ? p.first : p.second;
    QCPAxisRect* rect =
        addPanel(plot, sub, 0, s, directionTitle(names[group], i) + ": " + deviations(c));
    const Matrix& shift = d.displacement[static_cast<size_t>(s)];
    shapePanel(plot, rect, pc.consensus, shift, gridField(pc.consensus, shift), c, groupLook(group),
               view);
  }
}

void checkDeviations(double c) {
  if (!std::isfinite(c) || !(c > 0)) {
    throw Error("the shape change must be a positive number of standard deviations; it is " +
                format("%g", {c}));
  }
}

}  // namespace

void checkScoreAxes(const PrincipalComponents& pc, int axisX, int axisY) {
  Index n = pc.pooledAxes.cols();
  for (int a : {axisX, axisY}) {
    if (a < 0 || a >= n) {
      throw Error("score plot: pooled axis " + std::to_string(a + 1) +
                  " does not exist; there are axes 1 to " + std::to_string(n));
    }
  }
  if (axisX == axisY) {
    throw Error("score plot: both axes are pooled axis " + std::to_string(axisX + 1) +
                "; choose two different axes");
  }
}

void checkShapeChange(const PrincipalComponents& pc, const ShapeChangeChoice& choice, double c) {
  checkDeviations(c);
  if (choice.kind == ShapeChangeChoice::Kind::kAxis) {
    if (choice.group >= pc.groups.size()) {
      throw Error("shape change: group " + std::to_string(choice.group + 1) +
                  " does not exist; there are " + std::to_string(pc.groups.size()));
    }
    if (choice.index < 0 || choice.index >= pc.k) {
      throw Error("shape change: axis " + std::to_string(choice.index + 1) + " of " +
                  pc.groups[choice.group].label + " does not exist; the axes are 1 to " +
                  std::to_string(pc.k));
    }
    return;
  }
  if (choice.pair >= pc.pairs.size() || choice.group > 1) {
    throw Error("shape change: that pair of groups does not exist");
  }
  if (choice.index < 0 || choice.index >= pc.k) {
    throw Error("shape change: direction " + std::to_string(choice.index + 1) +
                " does not exist; there are " + std::to_string(pc.k) + " principal angles");
  }
}

QCPAxisRect* drawScorePlot(QCustomPlot& plot, const PrincipalComponents& pc,
                           const GroupNames& names, int axisX, int axisY) {
  checkScoreAxes(pc, axisX, axisY);
  startOver(plot);
  QCPAxisRect* rect =
      addPanel(plot, plot.plotLayout(), 0, 0, "Scores on the pooled sample's principal axes");
  scorePanel(plot, rect, pc, names, axisX, axisY);
  plot.replot(QCustomPlot::rpQueuedReplot);
  return rect;
}

void drawShapeChange(QCustomPlot& plot, const PrincipalComponents& pc, const GroupNames& names,
                     const ShapeChangeChoice& choice, double c, const graphics::View3D& view) {
  checkShapeChange(pc, choice, c);
  startOver(plot);
  shapeChangeRow(plot, plot.plotLayout(), 0, pc, names, choice, c, view);
  plot.replot(QCustomPlot::rpQueuedReplot);
}

void drawSubspaceMeeting(QCustomPlot& plot, const PrincipalComponents& pc, const GroupNames& names,
                         size_t pair, double c, const graphics::View3D& view) {
  checkDeviations(c);
  if (pair >= pc.pairs.size()) {
    throw Error("how the subspaces meet: pair " + std::to_string(pair + 1) +
                " does not exist; there are " + std::to_string(pc.pairs.size()));
  }
  startOver(plot);
  QCPLayoutGrid* layout = plot.plotLayout();
  for (int i = 0; i < pc.k; ++i) {
    addHeading(plot, layout, 2 * i, angleHeading(pc, pair, i));
    meetingRow(plot, layout, 2 * i + 1, pc, names, pair, i, c, view);
  }
  plot.replot(QCustomPlot::rpQueuedReplot);
}

void drawScree(QCustomPlot& plot, const PrincipalComponents& pc, const GroupNames& names) {
  startOver(plot);
  QCPAxisRect* rect = addPanel(plot, plot.plotLayout(), 0, 0, "Shares of variance");
  screePanel(plot, rect, pc, names);
  plot.replot(QCustomPlot::rpQueuedReplot);
}

void drawComponentsPage(QCustomPlot& plot, const PrincipalComponents& pc, const GroupNames& names,
                        double c, const std::string& caption) {
  checkScoreAxes(pc, 0, 1);
  checkDeviations(c);
  startOver(plot);
  QCPLayoutGrid* layout = plot.plotLayout();
  QCPLayoutGrid* top = addRow(layout, 0);
  scorePanel(plot, addPanel(plot, top, 0, 0, "Scores on the pooled sample's principal axes"), pc,
             names, 0, 1);
  screePanel(plot, addPanel(plot, top, 0, 1, "Shares of variance"), pc, names);
  graphics::View3D view;
  for (size_t g = 0; g < 2 && g < pc.groups.size(); ++g) {
    ShapeChangeChoice first;
    first.group = g;
    shapeChangeRow(plot, layout, static_cast<int>(g) + 1, pc, names, first, c, view);
  }
  int largest = pc.k - 1;  // the angles ascend
  addHeading(plot, layout, 3, QString("Where the subspaces part: ") + angleHeading(pc, 0, largest));
  meetingRow(plot, layout, 4, pc, names, 0, largest, c, view);
  layout->setRowStretchFactor(0, 1.25);
  if (!caption.empty()) {
    addCaption(plot, layout, 5, caption, kPageWidth);
  }
  plot.replot(QCustomPlot::rpQueuedReplot);
}

QSize componentsPageSize(bool caption) {
  return QSize(kPageWidth, kPageHeight + (caption ? kCaptionHeight : 0));
}

}  // namespace vexmoor
