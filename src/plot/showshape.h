// Marker plots of specimens into the current axes.
#pragma once

#include <string_view>

#include "runtime/landmark_array.h"
#include "runtime/matrix.h"

namespace vexmoor {

// x: N × M specimen rows (x1 y1 x2 y2 ... and a trailing value). Draws each
// landmark j = 1 ... floor((M - 1) / 2) of each specimen as a line object of
// one point with `xform` and marker size 3, holding earlier plots; then sets
// the axis scaling to "auto" and "equal". Column M is never drawn. Returns
// 1. Throws vexmoor::Error for a bad plot style.
double showshape(const Matrix& x, std::string_view xform = "k.");

// x: k × 3 × N landmark array (or one k × 3 specimen). Draws each specimen
// as one three-dimensional line object through its landmarks with `xform`
// into the current axes, holding them, scaled "auto" and "equal".
void showshape3D(const LandmarkArray& x, std::string_view xform);

}  // namespace vexmoor
