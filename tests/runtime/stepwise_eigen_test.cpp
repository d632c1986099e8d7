// The stepwise decomposition against Eigen's whole one: the same spectrum,
// orthonormal eigenvectors that satisfy A v = λ v, clusters of equal
// eigenvalues kept orthogonal, and a cancel request honoured.
#include "runtime/stepwise_eigen.h"

#include <gtest/gtest.h>

#include <random>

#include <Eigen/Eigenvalues>

namespace vexmoor {
namespace {

class CancelAfter : public Progress {
 public:
  explicit CancelAfter(int checks) : m_left(checks) {}
  void report(std::int64_t, std::int64_t) override {}
  bool cancelRequested() const override { return --m_left < 0; }

 private:
  mutable int m_left;
};

// Q diag(values) Qᵀ for a random orthogonal Q (seeded).
Matrix withSpectrum(const Vector& values, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal;
  Matrix g(values.size(), values.size());
  for (Index i = 0; i < g.size(); ++i) {
    g.data()[i] = normal(random);
  }
  Matrix q = Eigen::HouseholderQR<Matrix>(g).householderQ();
  return q * values.asDiagonal() * q.transpose();
}

TEST(StepwiseEigen, AgreesWithAWholeDecomposition) {
  const Index n = 240;
  Vector values = Vector::LinSpaced(n, 1.0, 50.0);
  // A cluster of four equal eigenvalues, and a zero one.
  values.segment(100, 4).setConstant(20.0);
  values(0) = 0.0;
  Matrix a = withSpectrum(values, 7);
  Vector expected = Eigen::SelfAdjointEigenSolver<Matrix>(a).eigenvalues();
  const double tolerance = 1e-10 * 50.0;

  EigenPairs all = stepwiseEigen(a, 0, nullptr);
  ASSERT_EQ(all.values.size(), n);
  EXPECT_LT((all.values - expected).cwiseAbs().maxCoeff(), tolerance);
  EXPECT_LT((all.vectors.transpose() * all.vectors - Matrix::Identity(n, n)).cwiseAbs().maxCoeff(),
            1e-10);
  EXPECT_LT((a * all.vectors - all.vectors * all.values.asDiagonal()).cwiseAbs().maxCoeff(),
            tolerance);

  EigenPairs leading = stepwiseEigen(a, 3, nullptr);
  ASSERT_EQ(leading.values.size(), 3);
  EXPECT_LT((leading.values - expected.tail(3)).cwiseAbs().maxCoeff(), tolerance);
  EXPECT_LT(
      (a * leading.vectors - leading.vectors * leading.values.asDiagonal()).cwiseAbs().maxCoeff(),
      tolerance);

  // Asked to stop, in every phase the checks reach.
  for (int checks : {0, 4, 6, 7}) {
    CancelAfter cancel(checks);
    EXPECT_THROW(stepwiseEigen(a, 0, &cancel), Cancelled) << checks;
  }
}

}  // namespace
}  // namespace vexmoor
