// Position rectangles in the units the graphics properties use. A Position
// is [left bottom width height] measured from the bottom-left corner of the
// parent (the screen for a window, the window for what it holds).
#pragma once

#include <QRectF>
#include <string>

#include "runtime/value.h"

namespace vexmoor::graphics {

enum class Units { kPixels, kCharacters, kNormalized, kPoints, kInches, kCentimeters };

// Throws vexmoor::Error for a name that is not a unit.
Units parseUnits(const Value& v);
std::string unitsName(Units u);

struct UnitScale {
  double parentWidth = 1, parentHeight = 1;  // pixels
  double charWidth = 7, charHeight = 16;     // pixels: width of "x", line spacing
  double dpi = 96;
};

// `rect`: pixels, top-left origin within the parent.
Matrix toPosition(const QRectF& rect, Units units, const UnitScale& scale);
// The inverse; throws vexmoor::Error unless `position` holds four finite
// numbers with a non-negative width and height.
QRectF fromPosition(const Value& position, Units units, const UnitScale& scale);

}  // namespace vexmoor::graphics
