#include "cpc/proportional_model.h"

#include <string>

#include "cpc/model_numerics.h"
#include "runtime/error.h"

namespace vexmoor {

namespace {

struct CommonAxes {
  Matrix B;
  RowVector a1, a2, L;
};

// Steps of one iteration: the common matrix for the constants p1, p2, its
// eigenvectors, each group's variances along them and the common variances.
CommonAxes commonAxes(const Matrix& s1, const Matrix& s2, double r1, double r2, double p1,
                      double p2) {
  CommonAxes c;
  c.B = ascendingEigenvectors(r1 * s1 / p1 + r2 * s2 / p2);
  c.a1 = (c.B.transpose() * s1 * c.B).diagonal().transpose();
  c.a2 = (c.B.transpose() * s2 * c.B).diagonal().transpose();
  c.L = r1 * c.a1 / p1 + r2 * c.a2 / p2;
  return c;
}

}  // namespace

ProportionalModel flury_pcm(const Matrix& s1, const Matrix& s2, double n1, double n2,
                            int maxIterations) {
  requireVariation(s1, s2, true, "proportional model");
  const Index p = s1.rows();
  const double r1 = n1 / (n1 + n2);
  const double r2 = n2 / (n1 + n2);
  double p1 = 1;
  double p2 = 0.5;
  double cscore = 1;
  ProportionalModel m;
  while (cscore > 1e-12) {
    if (m.iterations == maxIterations) {
      m.settled = false;
      break;
    }
    ++m.iterations;
    CommonAxes c = commonAxes(s1, s2, r1, r2, p1, p2);
    for (Index i = 0; i < p; ++i) {
      if (c.L(i) == 0.0) {
        throw Error("the common variance of the proportional model is zero along axis " +
                    std::to_string(i + 1) + " of iteration " + std::to_string(m.iterations) +
                    ", so the proportionality constant cannot be estimated");
      }
    }
    double p1p = p1;
    double p2p = p2;
    p1 = (c.a1.array() / c.L.array()).sum() / static_cast<double>(p);
    p2 = (c.a2.array() / c.L.array()).sum() / static_cast<double>(p);
    p2 = p2 / p1;
    p1 = 1;
    cscore = (p1 - p1p) * (p1 - p1p) + (p2 - p2p) * (p2 - p2p);
  }
  // The estimate for the constants returned, not for those the last
  // iteration started from: otherwise the common matrix and ρ disagree by
  // up to the stopping tolerance, which moves the log-likelihood in its
  // third decimal.
  CommonAxes c = commonAxes(s1, s2, r1, r2, p1, p2);
  m.p = RowVector(2);
  m.p << p1, p2;
  m.B = c.B;
  m.L = c.L;
  m.s1est = p1 * c.B * c.L.asDiagonal() * c.B.transpose();
  m.s2est = p2 * m.s1est / p1;
  return m;
}

}  // namespace vexmoor
