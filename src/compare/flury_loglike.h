// Flury's log-likelihood ratio statistic of two sample covariance matrices
// against one shared matrix.
#pragma once

#include "runtime/matrix.h"

namespace vexmoor {

// n1 · ln(det s / det s1) + n2 · ln(det s / det s2), natural logarithms, no
// factor 1/2 and no constant. s1, s2, s: p × p. A singular s1 or s2 gives
// +Inf, a singular s -Inf; a determinant made negative by rounding gives
// NaN. These pass through to the caller, which prints them as they are.
double fluryloglike(const Matrix& s1, const Matrix& s2, const Matrix& s, double n1, double n2);

// True when samples of rows1 and rows2 rows on `variables` variables make
// all three matrices singular by their shape (both together have no more
// rows than variables): the statistic is then 0/0, NaN, and callers give
// it without forming or decomposing any p × p matrix.
inline bool flurySingularByShape(Index rows1, Index rows2, Index variables) {
  return rows1 + rows2 <= variables;
}

// The same from the three determinants.
double fluryLogLikeFromDeterminants(double det1, double det2, double det, double n1, double n2);

}  // namespace vexmoor
