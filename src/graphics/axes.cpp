#include "graphics/axes.h"

#include <QMouseEvent>
#include <cmath>

#include "graphics/figure.h"
#include "graphics/line_object.h"
#include "graphics/marker_style.h"
#include "runtime/error.h"

namespace vexmoor::graphics {
namespace {

// The colours of successive lines drawn without a colour of their own.
constexpr std::array<Rgb, 7> kColorOrder{{
    {0, 0, 1},
    {0, 0.5, 0},
    {1, 0, 0},
    {0, 0.75, 0.75},
    {0.75, 0, 0.75},
    {0.75, 0.75, 0},
    {0.25, 0.25, 0.25},
}};

// Room around automatic limits, so that markers at the edge show whole.
constexpr double kAutoPadding = 0.05;

Range rangeArg(const Value& v, std::string_view property) {
  const Matrix* m = std::get_if<Matrix>(&v);
  if (!m || m->size() != 2 || !m->allFinite() || !((*m)(0) < (*m)(1))) {
    throw Error("property \"" + std::string(property) +
                "\" needs two finite numbers, the first below the second");
  }
  return {(*m)(0), (*m)(1)};
}

Value rangeValue(Range r) {
  Matrix m(1, 2);
  m << r.lo, r.hi;
  return m;
}

bool autoMode(const Value& v, std::string_view property) {
  const std::string& s = textArg(v, "set", property);
  if (equalsIgnoringCase(s, "auto")) {
    return true;
  }
  if (equalsIgnoringCase(s, "manual")) {
    return false;
  }
  throw Error("property \"" + std::string(property) + "\" is \"auto\" or \"manual\", not \"" + s +
              "\"");
}

struct Run {
  QVector<double> x, y;
  const LineStyle* style = nullptr;
  bool connected = false;
};

}  // namespace

Axes::Axes(Handle handle, Figure& figure, PlotCanvas* canvas)
    : GraphicsObject(handle), m_figure(figure), m_canvas(canvas) {
  m_units = Units::kNormalized;
  canvas->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  canvas->setLayoutHook([this] { applyLimits(); });
  QObject::connect(canvas, &QCustomPlot::beforeReplot, canvas, [this] {
    if (m_dirty) {
      sync();
    }
  });
  auto changed = [this](const QCPRange&) { userChangedRange(); };
  QObject::connect(canvas->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), canvas,
                   changed);
  QObject::connect(canvas->yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), canvas,
                   changed);
  QObject::connect(canvas, &QCustomPlot::mouseDoubleClick, canvas, [this](QMouseEvent*) {
    if (!m_is3D) {
      setLimitsAuto();
    }
  });
  QObject::connect(canvas, &QCustomPlot::mousePress, canvas,
                   [this](QMouseEvent* e) { m_dragFrom = e->position().toPoint(); });
  QObject::connect(canvas, &QCustomPlot::mouseRelease, canvas,
                   [this](QMouseEvent*) { m_dragFrom.reset(); });
  QObject::connect(canvas, &QCustomPlot::mouseMove, canvas, [this](QMouseEvent* e) {
    if (m_is3D && m_dragFrom && (e->buttons() & Qt::LeftButton)) {
      QPoint now = e->position().toPoint();
      setView(m_view.dragged(now.x() - m_dragFrom->x(), now.y() - m_dragFrom->y()));
      m_dragFrom = now;
    }
  });
}

Axes::~Axes() {
  if (m_canvas) {
    delete m_canvas.data();
  }
}

void Axes::setLimitsAuto() {
  m_xAuto = m_yAuto = true;
  markDirty();
}

void Axes::setEqual(bool on) {
  m_equal = on;
  markDirty();
}

void Axes::setLimits(Range x, Range y) {
  m_xLim = x;
  m_yLim = y;
  m_xAuto = m_yAuto = false;
  markDirty();
}

std::array<Range, 2> Axes::shownLimits() {
  if (m_dirty) {
    sync();
  }
  if (m_canvas) {
    m_canvas->layoutNow();
    QCPRange x = m_canvas->xAxis->range();
    QCPRange y = m_canvas->yAxis->range();
    return {Range{x.lower, x.upper}, Range{y.lower, y.upper}};
  }
  return {m_xLim, m_yLim};
}

void Axes::setView(const View3D& v) {
  m_view = v;
  markDirty();
}

void Axes::preparePlot(bool threeD) {
  if (m_hold && !children().empty()) {
    return;
  }
  if (!m_hold) {
    m_colorIndex = 0;
    m_xAuto = m_yAuto = true;
  }
  m_is3D = threeD;
  m_view = View3D{};
}

Rgb Axes::nextColor() {
  Rgb c = kColorOrder[static_cast<size_t>(m_colorIndex) % kColorOrder.size()];
  ++m_colorIndex;
  return c;
}

void Axes::markDirty() {
  m_dirty = true;
  if (m_canvas) {
    m_canvas->replot(QCustomPlot::rpQueuedReplot);
  }
}

void Axes::replotNow() {
  if (m_canvas) {
    if (m_dirty) {
      sync();
    }
    m_canvas->replot(QCustomPlot::rpImmediateRefresh);
  }
}

int Axes::linePlottableCount() {
  if (m_dirty) {
    sync();
  }
  return m_linePlottables;
}

std::array<double, 2> Axes::plotPoint(const Line& line, size_t i) {
  if (m_dirty) {
    sync();
  }
  double x = line.x()[i], y = line.y()[i];
  if (!m_is3D) {
    return {x, y};
  }
  double z = i < line.z().size() ? line.z()[i] : 0.0;
  return m_view.project(x - m_centre[0], y - m_centre[1], z - m_centre[2]);
}

void Axes::sync() {
  m_dirty = false;
  if (!m_canvas) {
    return;
  }
  PlotCanvas& c = *m_canvas;
  c.clearPlottables();
  c.clearItems();
  m_linePlottables = 0;

  std::array<Range, 3> box;
  std::array<double, 3> centre{};
  if (m_is3D) {
    std::vector<double> xs, ys, zs;
    for (GraphicsObject* o : children()) {
      if (auto* l = dynamic_cast<Line*>(o)) {
        xs.insert(xs.end(), l->x().begin(), l->x().end());
        ys.insert(ys.end(), l->y().begin(), l->y().end());
        zs.insert(zs.end(), l->z().begin(), l->z().end());
      }
    }
    box = {boundsOf(xs), boundsOf(ys), boundsOf(zs)};
    for (size_t i = 0; i < 3; ++i) {
      centre[i] = 0.5 * (box[i].lo + box[i].hi);
    }
  }
  m_centre = centre;

  std::vector<Run> runs;
  std::vector<double> allX, allY;
  for (GraphicsObject* o : children()) {
    auto* l = dynamic_cast<Line*>(o);
    if (!l) {
      continue;
    }
    bool connected = l->style().lineStyle != "none";
    if (runs.empty() || connected || runs.back().connected || !(*runs.back().style == l->style())) {
      runs.push_back(Run{{}, {}, &l->style(), connected});
    }
    Run& run = runs.back();
    for (size_t i = 0; i < l->x().size(); ++i) {
      double px = l->x()[i];
      double py = l->y()[i];
      if (m_is3D) {
        double pz = i < l->z().size() ? l->z()[i] : 0.0;
        auto p = m_view.project(px - centre[0], py - centre[1], pz - centre[2]);
        px = p[0];
        py = p[1];
      }
      run.x.push_back(px);
      run.y.push_back(py);
      allX.push_back(px);
      allY.push_back(py);
    }
  }
  if (m_is3D) {
    drawBox3D(box);
    // The box bounds the view as well, so that no corner or marker near it
    // is cut at the edge of the plot.
    for (int i = 0; i < 8; ++i) {
      auto p =
          m_view.project((i & 1 ? 0.5 : -0.5) * box[0].span(), (i & 2 ? 0.5 : -0.5) * box[1].span(),
                         (i & 4 ? 0.5 : -0.5) * box[2].span());
      allX.push_back(p[0]);
      allY.push_back(p[1]);
    }
  }
  if (m_numbered) {
    for (GraphicsObject* o : children()) {
      auto* l = dynamic_cast<Line*>(o);
      for (size_t i = 0; l && i < l->x().size(); ++i) {
        double px = l->x()[i], py = l->y()[i];
        if (m_is3D) {
          double pz = i < l->z().size() ? l->z()[i] : 0.0;
          auto p = m_view.project(px - centre[0], py - centre[1], pz - centre[2]);
          px = p[0];
          py = p[1];
        }
        auto* label = new QCPItemText(&c);
        label->position->setCoords(px, py);
        label->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
        label->setText(QString::number(i + 1));
        label->setColor(QColor(60, 60, 60));
      }
    }
  }
  for (Run& run : runs) {
    auto* curve = new QCPCurve(c.xAxis, c.yAxis);
    curve->setData(run.x, run.y);
    curve->setLineStyle(run.connected ? QCPCurve::lsLine : QCPCurve::lsNone);
    curve->setPen(linePen(*run.style));
    curve->setScatterStyle(scatterStyle(*run.style));
    ++m_linePlottables;
  }
  m_dataX = boundsOf(allX);
  m_dataY = boundsOf(allY);
  c.xAxis->setVisible(!m_is3D);
  c.yAxis->setVisible(!m_is3D);
  c.xAxis->grid()->setVisible(!m_is3D);
  c.yAxis->grid()->setVisible(!m_is3D);
  c.setInteractions(m_is3D ? QCP::Interactions() : QCP::iRangeDrag | QCP::iRangeZoom);
}

void Axes::drawBox3D(const std::array<Range, 3>& box) {
  PlotCanvas& c = *m_canvas;
  auto corner = [&](int i) {
    std::array<double, 3> p;
    for (int a = 0; a < 3; ++a) {
      const Range& r = box[static_cast<size_t>(a)];
      double half = 0.5 * r.span();
      p[static_cast<size_t>(a)] = (i >> a) & 1 ? half : -half;
    }
    return m_view.project(p[0], p[1], p[2]);
  };
  QPen pen(QColor(170, 170, 170));
  for (int i = 0; i < 8; ++i) {
    for (int a = 0; a < 3; ++a) {
      int j = i | (1 << a);
      if (j == i) {
        continue;
      }
      auto p = corner(i);
      auto q = corner(j);
      auto* edge = new QCPCurve(c.xAxis, c.yAxis);
      edge->setData(QVector<double>{p[0], q[0]}, QVector<double>{p[1], q[1]});
      edge->setPen(pen);
      if (i == 0) {
        auto* label = new QCPItemText(&c);
        label->position->setCoords(0.5 * (p[0] + q[0]), 0.5 * (p[1] + q[1]));
        label->setText(QString("xyz"[a]));
        label->setColor(QColor(110, 110, 110));
      }
    }
  }
}

void Axes::applyLimits() {
  if (!m_canvas) {
    return;
  }
  Range x = m_xAuto || m_is3D ? padded(m_dataX, kAutoPadding) : m_xLim;
  Range y = m_yAuto || m_is3D ? padded(m_dataY, kAutoPadding) : m_yLim;
  if (m_equal || m_is3D) {
    QRect area = m_canvas->axisRect()->rect();
    auto r = equalUnitRanges(x, y, area.width(), area.height());
    x = r[0];
    y = r[1];
  }
  m_settingRanges = true;
  m_canvas->xAxis->setRange(x.lo, x.hi);
  m_canvas->yAxis->setRange(y.lo, y.hi);
  m_settingRanges = false;
}

void Axes::userChangedRange() {
  if (m_settingRanges || m_is3D || !m_canvas) {
    return;
  }
  QCPRange x = m_canvas->xAxis->range();
  QCPRange y = m_canvas->yAxis->range();
  m_xLim = {x.lower, x.upper};
  m_yLim = {y.lower, y.upper};
  m_xAuto = m_yAuto = false;
}

QRect Axes::placedBox() const {
  if (!m_canvas) {
    return {};
  }
  QRect inner = m_canvas->axisRect()->rect();
  QPoint origin = m_canvas->mapTo(m_figure.window(), QPoint(0, 0));
  return inner.translated(origin);
}

std::optional<QRectF> Axes::pixelRect() const {
  if (m_printBox) {
    return QRectF(*m_printBox);
  }
  return QRectF(placedBox());
}

void Axes::setPixelRect(const QRectF& rect) {
  QRect r = rect.toAlignedRect();
  auto near = [&r](const QRect& q) {
    return std::abs(r.left() - q.left()) <= 1 && std::abs(r.top() - q.top()) <= 1 &&
           std::abs(r.width() - q.width()) <= 1 && std::abs(r.height() - q.height()) <= 1;
  };
  // Setting back the place the layout gives (now, or when the print place
  // was set: tick labels may have changed its size since) ends the print
  // place.
  QRect placed = placedBox();
  if (near(placed) || (m_printBox && near(m_placedAtPrintBox))) {
    m_printBox.reset();
    return;
  }
  if (!m_printBox) {
    m_placedAtPrintBox = placed;
  }
  m_printBox = r;
}

UnitScale Axes::unitScale() const {
  return m_figure.childUnitScale();
}

std::optional<Value> Axes::getOwn(std::string_view name) const {
  auto* self = const_cast<Axes*>(this);
  if (equalsIgnoringCase(name, "XLim")) {
    return rangeValue(self->shownLimits()[0]);
  }
  if (equalsIgnoringCase(name, "YLim")) {
    return rangeValue(self->shownLimits()[1]);
  }
  if (equalsIgnoringCase(name, "XLimMode")) {
    return textValue(m_xAuto ? "auto" : "manual");
  }
  if (equalsIgnoringCase(name, "YLimMode")) {
    return textValue(m_yAuto ? "auto" : "manual");
  }
  if (equalsIgnoringCase(name, "DataAspectRatioMode")) {
    return textValue(m_equal ? "manual" : "auto");
  }
  if (equalsIgnoringCase(name, "NextPlot")) {
    return textValue(m_hold ? "add" : "replace");
  }
  if (equalsIgnoringCase(name, "View")) {
    Matrix m(1, 2);
    if (m_is3D) {
      m << m_view.azimuth, m_view.elevation;
    } else {
      m << 0, 90;
    }
    return m;
  }
  return std::nullopt;
}

bool Axes::setOwn(std::string_view name, const Value& value) {
  if (equalsIgnoringCase(name, "XLim")) {
    m_xLim = rangeArg(value, "XLim");
    m_xAuto = false;
  } else if (equalsIgnoringCase(name, "YLim")) {
    m_yLim = rangeArg(value, "YLim");
    m_yAuto = false;
  } else if (equalsIgnoringCase(name, "XLimMode")) {
    m_xAuto = autoMode(value, "XLimMode");
  } else if (equalsIgnoringCase(name, "YLimMode")) {
    m_yAuto = autoMode(value, "YLimMode");
  } else if (equalsIgnoringCase(name, "DataAspectRatioMode")) {
    m_equal = !autoMode(value, "DataAspectRatioMode");
  } else if (equalsIgnoringCase(name, "NextPlot")) {
    const std::string& s = textArg(value, "set", "NextPlot");
    if (!equalsIgnoringCase(s, "add") && !equalsIgnoringCase(s, "replace")) {
      throw Error("property \"NextPlot\" is \"add\" or \"replace\", not \"" + s + "\"");
    }
    m_hold = equalsIgnoringCase(s, "add");
  } else if (equalsIgnoringCase(name, "View")) {
    const Matrix* m = std::get_if<Matrix>(&value);
    if (!m || m->size() != 2 || !m->allFinite()) {
      throw Error("property \"View\" needs two numbers [azimuth elevation] in degrees");
    }
    m_view = View3D{(*m)(0), std::clamp((*m)(1), -90.0, 90.0)};
  } else {
    return false;
  }
  markDirty();
  return true;
}

}  // namespace vexmoor::graphics
