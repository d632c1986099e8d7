// Flury's partial common principal components model: both groups share the
// first q axes of the common-components solution, and each group has its own
// axes in the remaining subspace.
#pragma once

#include "runtime/host.h"
#include "runtime/matrix.h"

namespace vexmoor {

struct PartialCommonComponents {
  Matrix s1est, s2est;  // p × p, each diagonal in its group's axes
  Matrix Bg1, Bg2;      // p × p: the q shared columns of B first, then the group's own
  Vector L1est, L2est;  // p: each group's variances along its own axes
};

// flury_pcp in one pass. s1, s2: p × p covariance matrices; B: p × p common
// axes (flury_f's, columns by ascending weighted variance); q: the number of
// shared axes, 0 <= q <= p. Writes L1est and L2est to the console.
PartialCommonComponents flury_pcp(const Matrix& s1, const Matrix& s2, const Matrix& B, Index q,
                                  Host& host = silentHost());

}  // namespace vexmoor
