// The arithmetic of what an axes shows: automatic limits around the data,
// equal data units on both screen axes, and the orthographic projection of
// three-dimensional data for a view direction. No drawing here.
#pragma once

#include <array>
#include <span>

namespace vexmoor::graphics {

struct Range {
  double lo = 0, hi = 1;
  double span() const { return hi - lo; }
  bool operator==(const Range&) const = default;
};

// Bounds of the finite values; nullopt-like {0, 1} when there are none.
// A range of one value is widened to value ± 1 (± 10 % of a large value),
// so that an axis never has zero length.
Range boundsOf(std::span<const double> values);

// Widens `r` by `fraction` of its span on both sides.
Range padded(Range r, double fraction);

// The smallest ranges that contain `x` and `y`, share their centres with
// them and give both axes the same data units per pixel for a plot area of
// widthPx × heightPx. Unchanged for a degenerate area.
std::array<Range, 2> equalUnitRanges(Range x, Range y, double widthPx, double heightPx);

// Orthographic view of azimuth `az` and elevation `el` in degrees, as
// plotting programs define them: az = 0, el = 90 looks down the z axis with
// x to the right; the default three-dimensional view is az = -37.5, el = 30.
struct View3D {
  double azimuth = -37.5;
  double elevation = 30.0;

  // Screen coordinates (right, up) of the point (x, y, z).
  std::array<double, 2> project(double x, double y, double z) const;
  // The view turned by a drag of (dxPx, dyPx) pixels: half a degree per
  // pixel, elevation held within [-90, 90].
  View3D dragged(double dxPx, double dyPx) const;
};

}  // namespace vexmoor::graphics
