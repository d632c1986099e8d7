#include "cpc/partial_cpc.h"

#include <cassert>

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

}  // namespace vexmoor
