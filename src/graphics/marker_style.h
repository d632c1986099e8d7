// How a line's style looks on the canvas: pens and marker shapes.
#pragma once

#include <QColor>
#include <QPen>

#include <qcustomplot.h>

#include "graphics/line_object.h"

namespace vexmoor::graphics {

// Marker sizes and line widths are in points, drawn at two pixels a point
// so that the small markers of a group plot stay legible.
inline constexpr double kPixelsPerPoint = 2.0;

QColor toQColor(const Rgb& c);
QPen linePen(const LineStyle& s);
QCPScatterStyle scatterStyle(const LineStyle& s);

}  // namespace vexmoor::graphics
