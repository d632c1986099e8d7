// Flury's partial common principal components model: both groups share the
// first q axes of the common-components solution, and each group has its own
// axes in the remaining subspace.
#pragma once

#include <optional>
#include <vector>

#include "runtime/host.h"
#include "runtime/matrix.h"

namespace vexmoor {

struct PartialCommonComponents {
  Matrix s1est, s2est;  // p × p, each diagonal in its group's axes
  Matrix Bg1, Bg2;      // p × p: the q shared columns of B first, then the group's own
  Vector L1est, L2est;  // p: each group's variances along its own axes
};

// The same model for k groups: one entry per group, in input order.
struct PartialModel {
  std::vector<Matrix> estimates;  // p × p
  std::vector<Matrix> axes;       // p × p: the q shared columns of B, then the group's own
  std::vector<Vector> variances;  // p: the group's variances along its axes
};

// flury_pcp for k groups; writes L1est ... Lkest to the console. Two groups
// give flury_pcp's result.
PartialModel partialCommonComponents(const std::vector<Matrix>& s, const Matrix& B, Index q,
                                     Host& host = silentHost());

// flury_pcp in one pass. s1, s2: p × p covariance matrices; B: p × p common
// axes (flury_f's, columns by ascending weighted variance); q: the number of
// shared axes, 0 <= q <= p. Writes L1est and L2est to the console.
PartialCommonComponents flury_pcp(const Matrix& s1, const Matrix& s2, const Matrix& B, Index q,
                                  Host& host = silentHost());

// ln det of one group's partial-model estimate for every number of shared
// axes q = 0 ... p at once (entry q), without forming the estimates: with B
// orthogonal and C = B'·s·B, the estimate for q has the determinant
// C(1,1)·...·C(q,q) · det(C(q+1:p, q+1:p)), and one Cholesky factorisation
// of C with its order reversed gives the determinants of all trailing
// blocks. s: p × p covariance matrix; B: p × p orthogonal. Empty when C is
// not numerically positive definite: the caller then forms the estimates.
std::optional<Vector> partialLogDeterminants(const Matrix& s, const Matrix& B);

}  // namespace vexmoor
