#include "graphics/view_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "runtime/matrix.h"

namespace vexmoor::graphics {

Range boundsOf(std::span<const double> values) {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -lo;
  for (double v : values) {
    if (std::isfinite(v)) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  if (lo > hi) {
    return {0, 1};
  }
  if (lo == hi) {
    double half = std::max(1.0, 0.1 * std::abs(lo));
    return {lo - half, hi + half};
  }
  return {lo, hi};
}

Range padded(Range r, double fraction) {
  double d = fraction * r.span();
  return {r.lo - d, r.hi + d};
}

std::array<Range, 2> equalUnitRanges(Range x, Range y, double widthPx, double heightPx) {
  if (!(widthPx > 0) || !(heightPx > 0) || !(x.span() > 0) || !(y.span() > 0)) {
    return {x, y};
  }
  double unitsPerPx = std::max(x.span() / widthPx, y.span() / heightPx);
  double cx = 0.5 * (x.lo + x.hi);
  double cy = 0.5 * (y.lo + y.hi);
  double hx = 0.5 * unitsPerPx * widthPx;
  double hy = 0.5 * unitsPerPx * heightPx;
  return {Range{cx - hx, cx + hx}, Range{cy - hy, cy + hy}};
}

std::array<double, 2> View3D::project(double x, double y, double z) const {
  double az = azimuth / kDegreesPerRadian;
  double el = elevation / kDegreesPerRadian;
  double right = std::cos(az) * x + std::sin(az) * y;
  double up = -std::sin(el) * std::sin(az) * x + std::sin(el) * std::cos(az) * y + std::cos(el) * z;
  return {right, up};
}

View3D View3D::dragged(double dxPx, double dyPx) const {
  View3D v;
  v.azimuth = std::remainder(azimuth - 0.5 * dxPx, 360.0);
  v.elevation = std::clamp(elevation + 0.5 * dyPx, -90.0, 90.0);
  return v;
}

}  // namespace vexmoor::graphics
