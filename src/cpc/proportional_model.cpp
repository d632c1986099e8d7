#include "cpc/proportional_model.h"

#include <string>

#include "cpc/model_numerics.h"
#include "runtime/error.h"

namespace vexmoor {

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
  Matrix B = Matrix::Identity(p, p);
  RowVector L = RowVector::Zero(p);
  while (cscore > 1e-12) {
    if (m.iterations == maxIterations) {
      m.settled = false;
      break;
    }
    ++m.iterations;
    Matrix S = r1 * s1 / p1 + r2 * s2 / p2;
    B = ascendingEigenvectors(S);
    RowVector a1 = (B.transpose() * s1 * B).diagonal().transpose();
    RowVector a2 = (B.transpose() * s2 * B).diagonal().transpose();
    L = r1 * a1 / p1 + r2 * a2 / p2;
    for (Index i = 0; i < p; ++i) {
      if (L(i) == 0.0) {
        throw Error("the common variance of the proportional model is zero along axis " +
                    std::to_string(i + 1) + " of iteration " + std::to_string(m.iterations) +
                    ", so the proportionality constant cannot be estimated");
      }
    }
    double p1p = p1;
    double p2p = p2;
    p1 = (a1.array() / L.array()).sum() / static_cast<double>(p);
    p2 = (a2.array() / L.array()).sum() / static_cast<double>(p);
    p2 = p2 / p1;
    p1 = 1;
    cscore = (p1 - p1p) * (p1 - p1p) + (p2 - p2p) * (p2 - p2p);
  }
  m.p = RowVector(2);
  m.p << p1, p2;
  m.B = B;
  m.L = L;
  m.s1est = p1 * B * L.asDiagonal() * B.transpose();
  m.s2est = p2 * m.s1est / p1;
  return m;
}

}  // namespace vexmoor
