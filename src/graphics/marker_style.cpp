#include "graphics/marker_style.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "runtime/matrix.h"

namespace vexmoor::graphics {
namespace {

// Custom markers are drawn in a box of ±3 units, which the scatter style
// scales to its size.
QPainterPath star(int points, double inner) {
  QPainterPath p;
  for (int i = 0; i < 2 * points; ++i) {
    double r = i % 2 == 0 ? 3.0 : inner;
    double a = -kHalfPi + i * kPi / points;
    QPointF q(r * std::cos(a), r * std::sin(a));
    if (i == 0) {
      p.moveTo(q);
    } else {
      p.lineTo(q);
    }
  }
  p.closeSubpath();
  return p;
}

QPainterPath triangle(double tipX) {
  QPainterPath p;
  p.moveTo(tipX, 0);
  p.lineTo(-tipX, -3);
  p.lineTo(-tipX, 3);
  p.closeSubpath();
  return p;
}

}  // namespace

QColor toQColor(const Rgb& c) {
  return QColor::fromRgbF(static_cast<float>(c.r), static_cast<float>(c.g),
                          static_cast<float>(c.b));
}

QPen linePen(const LineStyle& s) {
  QPen pen(toQColor(s.color));
  pen.setWidthF(std::max(1.0, s.lineWidth * kPixelsPerPoint));
  if (s.lineStyle == "--") {
    pen.setStyle(Qt::DashLine);
  } else if (s.lineStyle == ":") {
    pen.setStyle(Qt::DotLine);
  } else if (s.lineStyle == "-.") {
    pen.setStyle(Qt::DashDotLine);
  }
  return pen;
}

QCPScatterStyle scatterStyle(const LineStyle& s) {
  if (s.marker == "none") {
    return QCPScatterStyle(QCPScatterStyle::ssNone);
  }
  QColor edge = toQColor(s.color);
  if (s.markerEdge.kind == ColorSpec::Kind::kRgb) {
    edge = toQColor(s.markerEdge.rgb);
  } else if (s.markerEdge.kind == ColorSpec::Kind::kNone) {
    edge = Qt::transparent;
  }
  QBrush face = Qt::NoBrush;
  if (s.markerFace.kind == ColorSpec::Kind::kRgb) {
    face = QBrush(toQColor(s.markerFace.rgb));
  } else if (s.markerFace.kind == ColorSpec::Kind::kAuto) {
    face = QBrush(Qt::white);
  }
  QPen pen(edge);
  pen.setWidthF(std::max(1.0, s.lineWidth * kPixelsPerPoint));
  double size = s.markerSize * kPixelsPerPoint;
  const char m = s.marker[0];
  if (m == '.') {
    // A point marker is a third of the nominal size, in its edge colour.
    return QCPScatterStyle(QCPScatterStyle::ssDisc, edge, std::max(2.0, size / 3.0));
  }
  QCPScatterStyle::ScatterShape shape = QCPScatterStyle::ssNone;
  switch (m) {
    case 'o':
      shape = QCPScatterStyle::ssCircle;
      break;
    case '+':
      shape = QCPScatterStyle::ssPlus;
      break;
    case '*':
      shape = QCPScatterStyle::ssStar;
      break;
    case 'x':
      shape = QCPScatterStyle::ssCross;
      break;
    case 's':
      shape = QCPScatterStyle::ssSquare;
      break;
    case 'd':
      shape = QCPScatterStyle::ssDiamond;
      break;
    case '^':
      shape = QCPScatterStyle::ssTriangle;
      break;
    case 'v':
      shape = QCPScatterStyle::ssTriangleInverted;
      break;
    default:
      break;
  }
  if (shape != QCPScatterStyle::ssNone) {
    return QCPScatterStyle(shape, pen, face, size);
  }
  // The custom path is drawn in a box of ±3 units scaled to the marker's
  // size, and its pen with it: divide the width by that scale, so that the
  // outline is as heavy as the built-in markers' in every picture format.
  // (A cosmetic pen would be one device pixel: thin in a bitmap drawn at
  // twice the size, and left to the viewer in SVG and PDF.)
  if (size <= 0) {
    return QCPScatterStyle(QCPScatterStyle::ssNone);
  }
  pen.setWidthF(pen.widthF() * 6.0 / size);
  QPainterPath path;
  if (m == '<') {
    path = triangle(-3);
  } else if (m == '>') {
    path = triangle(3);
  } else if (m == 'p') {
    path = star(5, 3 * 0.382);
  } else {
    path = star(6, 3 * 0.577);
  }
  return QCPScatterStyle(path, pen, face, size);
}

}  // namespace vexmoor::graphics
