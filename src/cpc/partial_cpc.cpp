#include "cpc/partial_cpc.h"

#include <cassert>
#include <cmath>

#include "cpc/model_numerics.h"

namespace vexmoor {
namespace {

// Group axes: the shared columns b1, then the eigenvectors of the group's
// matrix within the span of b2, expressed in the input variables.
Matrix groupAxes(const Matrix& s, const Matrix& b1, const Matrix& b2) {
  Matrix axes(b1.rows(), b1.cols() + b2.cols());
  axes.leftCols(b1.cols()) = b1;
  if (b2.cols() > 0) {
    axes.rightCols(b2.cols()) = b2 * ascendingEigenvectors(b2.transpose() * s * b2);
  }
  return axes;
}

}  // namespace

PartialCommonComponents flury_pcp(const Matrix& s1, const Matrix& s2, const Matrix& B, Index q,
                                  Host& host) {
  const Index p = s1.rows();
  assert(q >= 0 && q <= p && "the number of shared axes must lie between 0 and p");
  Matrix b1 = B.leftCols(q);
  Matrix b2 = B.rightCols(p - q);
  PartialCommonComponents m;
  m.Bg1 = groupAxes(s1, b1, b2);
  m.Bg2 = groupAxes(s2, b1, b2);
  m.L1est = (m.Bg1.transpose() * s1 * m.Bg1).diagonal();
  display(host, "L1est", m.L1est);
  m.L2est = (m.Bg2.transpose() * s2 * m.Bg2).diagonal();
  display(host, "L2est", m.L2est);
  m.s1est = m.Bg1 * m.L1est.asDiagonal() * m.Bg1.transpose();
  m.s2est = m.Bg2 * m.L2est.asDiagonal() * m.Bg2.transpose();
  return m;
}

std::optional<Vector> partialLogDeterminants(const Matrix& s, const Matrix& B) {
  const Index p = s.rows();
  Matrix c = B.transpose() * s * B;
  // Reversed, the trailing blocks of C become leading ones, whose
  // determinants are the running products of the squared Cholesky pivots.
  Eigen::LLT<Matrix> llt(c.reverse());
  if (llt.info() != Eigen::Success) {
    return std::nullopt;
  }
  Vector trailing(p + 1);
  trailing(0) = 0.0;
  for (Index i = 0; i < p; ++i) {
    double pivot = llt.matrixLLT()(i, i);
    if (!(pivot > 0.0) || !std::isfinite(pivot)) {
      return std::nullopt;
    }
    trailing(i + 1) = trailing(i) + 2.0 * std::log(pivot);
  }
  Vector out(p + 1);
  double shared = 0.0;
  for (Index q = 0; q <= p; ++q) {
    out(q) = shared + trailing(p - q);
    if (q < p) {
      shared += std::log(c(q, q));
    }
  }
  return out;
}

}  // namespace vexmoor
