#include "shape/procrustes2d.h"

#include <cmath>
#include <string>

#include "runtime/error.h"
#include "shape/centroid.h"

namespace vexmoor {
namespace {

// Number of whole (x, y) pairs among positions 1 ... m - 1.
Index coordinatePairs(Index m) {
  return m > 0 ? (m - 1) / 2 : 0;
}

}  // namespace

void normaliseSpecimens(Matrix& x) {
  Index pairs = coordinatePairs(x.cols());
  for (Index i = 0; i < x.rows(); ++i) {
    RowVector cp = centpos(x.row(i));
    for (Index j = 0; j < pairs; ++j) {
      x(i, 2 * j) -= cp(0);
      x(i, 2 * j + 1) -= cp(1);
    }
    double size = centsize(x.row(i))(0);
    if (!std::isfinite(size)) {
      throw Error("specimen " + std::to_string(i + 1) +
                  ": its centroid size is too large to compute, so it cannot be scaled");
    }
    if (!(size > 0)) {
      throw Error("specimen " + std::to_string(i + 1) +
                  ": all its landmarks coincide (centroid size 0), so it cannot be scaled");
    }
    x.row(i).head(2 * pairs) /= size;
  }
}

void rotateOntoReference(Matrix& x, const RowVector& xref, const Progress* progress) {
  Index pairs = coordinatePairs(x.cols());
  for (Index i = 0; i < x.rows(); ++i) {
    throwIfCancelled(progress);
    double ct = 0;
    double st = 0;
    for (Index j = 0; j < pairs; ++j) {
      double xj = x(i, 2 * j), yj = x(i, 2 * j + 1);
      double xr = xref(2 * j), yr = xref(2 * j + 1);
      ct += xr * xj + yr * yj;
      st += xj * yr - yj * xr;
    }
    double theta = std::atan2(st, ct);
    double c = std::cos(theta), s = std::sin(theta);
    for (Index j = 0; j < pairs; ++j) {
      double xj = x(i, 2 * j), yj = x(i, 2 * j + 1);
      x(i, 2 * j) = xj * c - yj * s;
      x(i, 2 * j + 1) = xj * s + yj * c;
    }
  }
}

Matrix getpsup(const Matrix& x, const RowVector& xref) {
  Matrix y = x;
  normaliseSpecimens(y);
  rotateOntoReference(y, xref);
  return y;
}

}  // namespace vexmoor
