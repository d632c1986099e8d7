// The window of a group's three-dimensional consensus: a check box that
// numbers its landmarks.
#pragma once

#include "runtime/graphics/figure.h"

namespace vexmoor {

// Adds "Number landmarks" below the plot of `window`, a plot window with
// one axes.
void addLandmarkNumbering(graphics::Figure& window);

}  // namespace vexmoor
