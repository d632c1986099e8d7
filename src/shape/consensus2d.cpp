#include "shape/consensus2d.h"

#include <cmath>

#include "runtime/error.h"
#include "shape/procrustes2d.h"

namespace vexmoor {
namespace {

// Angle that removes the cross moment of the consensus; the extra quarter
// turn keeps it removed. A cloud with no preferred axis (0/0) takes the
// quarter turn alone: every angle serves there.
double principalAxesAngle(const RowVector& ref, Index pairs) {
  double sxx = 0, syy = 0, sxy = 0;
  for (Index j = 0; j < pairs; ++j) {
    double x = ref(2 * j), y = ref(2 * j + 1);
    sxx += x * x;
    syy += y * y;
    sxy += x * y;
  }
  double ratio = -2.0 * sxy / (sxx - syy);
  if (std::isnan(ratio)) {
    ratio = 0.0;
  }
  return 0.5 * std::atan(ratio) - kHalfPi;
}

void turn(Matrix& x, Index pairs, double c, double s) {
  for (Index i = 0; i < x.rows(); ++i) {
    for (Index j = 0; j < pairs; ++j) {
      double xj = x(i, 2 * j), yj = x(i, 2 * j + 1);
      x(i, 2 * j) = xj * c - yj * s;
      x(i, 2 * j + 1) = xj * s + yj * c;
    }
  }
}

}  // namespace

Consensus2D getconsensuspca(const Matrix& input, int maxPasses, const Progress* progress) {
  Consensus2D result;
  Matrix x = input;
  Index m = x.cols();
  Index pairs = (m - 1) / 2;
  normaliseSpecimens(x);

  RowVector xref = x.row(0);
  double xd = 1;
  while (xd > kConsensusTolerance) {
    if (result.passes == maxPasses) {
      result.converged = false;
      break;
    }
    ++result.passes;
    rotateOntoReference(x, xref, progress);
    RowVector previous = xref;
    xref = x.colwise().mean();
    double size = xref.head(2 * pairs).norm();
    if (!(size > 0) || !std::isfinite(size)) {
      throw Error("the mean shape of the specimens has no size, so it cannot be scaled");
    }
    xref /= size;
    xd = (xref - previous).head(2 * pairs).norm();
  }
  xref(m - 1) = 999;

  double theta = principalAxesAngle(xref, pairs);
  double c = std::cos(theta), s = std::sin(theta);
  Matrix refRow = xref;
  turn(refRow, pairs, c, s);
  turn(x, pairs, c, s);
  result.reference = refRow;
  result.specimens = x;
  return result;
}

}  // namespace vexmoor
