#include "cpc/partial_cpc.h"

#include <cassert>
#include <cmath>
#include <string>

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

PartialModel partialCommonComponents(const std::vector<Matrix>& s, const Matrix& B, Index q,
                                     Host& host) {
  const Index p = s[0].rows();
  assert(q >= 0 && q <= p && "the number of shared axes must lie between 0 and p");
  Matrix b1 = B.leftCols(q);
  Matrix b2 = B.rightCols(p - q);
  PartialModel m;
  for (size_t g = 0; g < s.size(); ++g) {
    m.axes.push_back(groupAxes(s[g], b1, b2));
  }
  for (size_t g = 0; g < s.size(); ++g) {
    m.variances.push_back((m.axes[g].transpose() * s[g] * m.axes[g]).diagonal());
    display(host, "L" + std::to_string(g + 1) + "est", m.variances[g]);
  }
  for (size_t g = 0; g < s.size(); ++g) {
    m.estimates.push_back(m.axes[g] * m.variances[g].asDiagonal() * m.axes[g].transpose());
  }
  return m;
}

PartialCommonComponents flury_pcp(const Matrix& s1, const Matrix& s2, const Matrix& B, Index q,
                                  Host& host) {
  PartialModel k = partialCommonComponents({s1, s2}, B, q, host);
  PartialCommonComponents m;
  m.s1est = k.estimates[0];
  m.s2est = k.estimates[1];
  m.Bg1 = k.axes[0];
  m.Bg2 = k.axes[1];
  m.L1est = k.variances[0];
  m.L2est = k.variances[1];
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
