#include "compare/leading_axes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <vector>

namespace vexmoor {
namespace {

// A random symmetric p × p matrix with the given eigenvalues.
Matrix withEigenvalues(const Vector& values, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::normal_distribution<double> normal;
  Index p = values.size();
  Matrix g(p, p);
  for (Index i = 0; i < g.size(); ++i) {
    g.data()[i] = normal(random);
  }
  Matrix q = Eigen::HouseholderQR<Matrix>(g).householderQ();
  return q * values.asDiagonal() * q.transpose();
}

Matrix projector(const Matrix& basis) {
  return basis * basis.transpose();
}

TEST(LeadingAxes, AgreesWithAFullDecomposition) {
  LeadingAxesSolver solver;
  // One solver through changing shapes: its workspace must follow.
  for (int p : {1, 2, 5, 12, 56, 5}) {
    for (int k : {1, 2, p}) {
      if (k > p) {
        continue;
      }
      Vector values = Vector::LinSpaced(p, 1.0, 2.0 * p).array().square();
      Matrix a = withEigenvalues(values, 100 + p);
      solver.compute(a, k);
      ASSERT_EQ(solver.axes().rows(), p);
      ASSERT_EQ(solver.axes().cols(), k);
      Eigen::SelfAdjointEigenSolver<Matrix> full(a);
      double scale = values.maxCoeff();
      for (int j = 0; j < k; ++j) {
        EXPECT_NEAR(solver.variances()(j), full.eigenvalues()(p - 1 - j), 1e-12 * scale * p);
        // Eigenvectors agree up to sign.
        Vector a = solver.axes().col(j), b = full.eigenvectors().col(p - 1 - j);
        EXPECT_LT(std::min((a - b).norm(), (a + b).norm()), 1e-10)
            << "p " << p << " k " << k << " axis " << j;
      }
      EXPECT_LT((solver.axes().transpose() * solver.axes() - Matrix::Identity(k, k)).norm(), 1e-12);
    }
  }
}

TEST(LeadingAxes, RepeatedAndZeroEigenvaluesGiveTheRightSubspace) {
  Vector values(5);
  values << 4, 4, 1, 0, 0;  // a repeated leading pair; rank 3
  Matrix a = withEigenvalues(values, 7);
  Eigen::SelfAdjointEigenSolver<Matrix> full(a);
  LeadingAxesSolver solver;
  solver.compute(a, 2);
  Matrix expected = full.eigenvectors().rightCols(2);
  EXPECT_LT((projector(solver.axes()) - projector(expected)).norm(), 1e-10);
  solver.compute(a, 3);
  EXPECT_LT((projector(solver.axes()) - projector(full.eigenvectors().rightCols(3))).norm(), 1e-10);
  EXPECT_NEAR(solver.variances()(2), 1.0, 1e-12);
}

TEST(LeadingAxes, CloseAndNegativeEigenvaluesStillGiveTheRightAxes) {
  // Leading gaps from wide to barely above and below the separation the
  // iteration asks for, a matrix whose most negative eigenvalue outweighs
  // its largest, one whose second eigenvalue is a thousandth of its
  // first, and one of rank 2: each must end with the full
  // decomposition's axes (to rounding over the gap), whichever way the
  // solver takes.
  std::vector<std::vector<double>> eigenvalueSets = {{0.1, 0.5, 1, 2, 3, 9},
                                                     {0.1, 0.5, 1, 2, 3, 3 * (1 + 1e-3)},
                                                     {0.1, 0.5, 1, 2, 3, 3 * (1 + 2e-5)},
                                                     {0.1, 0.5, 1, 2, 3, 3 * (1 + 5e-6)},
                                                     {-10, 0.5, 1, 2, 3, 4},
                                                     {1e-9, 1e-8, 1e-7, 1e-6, 1e-3, 1},
                                                     {0, 0, 0, 0, 1e-3, 1}};
  LeadingAxesSolver solver;
  for (size_t c = 0; c < eigenvalueSets.size(); ++c) {
    Vector values = Eigen::Map<const Vector>(eigenvalueSets[c].data(), 6);
    Matrix a = withEigenvalues(values, 40 + c);
    Eigen::SelfAdjointEigenSolver<Matrix> full(a);
    for (int k : {1, 2}) {
      solver.compute(a, k);
      Matrix expected = full.eigenvectors().rightCols(k);
      EXPECT_LT((projector(solver.axes()) - projector(expected)).norm(), 1e-9)
          << "eigenvalue set " << c << " k " << k;
      EXPECT_NEAR(solver.variances()(0), full.eigenvalues()(5), 1e-12 * 10)
          << "eigenvalue set " << c;
    }
  }
}

TEST(LeadingAxes, DeterminantFromTheTridiagonalForm) {
  LeadingAxesSolver solver;
  for (int p : {1, 3, 12, 40}) {
    // As small as shape variances, well apart, well conditioned.
    Vector values = Vector::LinSpaced(p, 1.0, 8.0).array().square() * 1e-6;
    Matrix a = withEigenvalues(values, 60 + p);
    ASSERT_TRUE(solver.computeIfSeparated(a, 1)) << "p " << p;
    std::optional<double> d = solver.logDeterminantIfDefinite();
    ASSERT_TRUE(d.has_value()) << "p " << p;
    EXPECT_NEAR(*d, values.array().log().sum(), 1e-9 * p) << "p " << p;
  }
  // Singular, indefinite, and decomposed by the fallback: no value.
  Vector singular(4), indefinite(4), repeated(4);
  singular << 0, 1, 2, 3;
  indefinite << -1, 1, 2, 3;
  repeated << 1, 2, 3, 3;
  for (const Vector& values : {singular, indefinite, repeated}) {
    solver.compute(withEigenvalues(values, 9), 2);
    EXPECT_FALSE(solver.logDeterminantIfDefinite().has_value()) << values.transpose();
  }
}

TEST(LeadingAxes, ReadsOnlyTheLowerTriangle) {
  Vector values = Vector::LinSpaced(6, 1.0, 6.0);
  Matrix a = withEigenvalues(values, 3);
  Matrix lowerOnly = a;
  lowerOnly.triangularView<Eigen::StrictlyUpper>().setConstant(99.0);
  LeadingAxesSolver s1, s2;
  s1.compute(a, 2);
  s2.compute(lowerOnly, 2);
  EXPECT_LT((projector(s1.axes()) - projector(s2.axes())).norm(), 1e-12);
}

TEST(LeadingAxes, NonFiniteInputGivesNaN) {
  Matrix a = Matrix::Identity(4, 4);
  a(2, 1) = std::numeric_limits<double>::quiet_NaN();
  LeadingAxesSolver solver;
  solver.compute(a, 2);
  EXPECT_TRUE(solver.axes().array().isNaN().all());
  EXPECT_TRUE(solver.variances().array().isNaN().all());
  solver.compute(Matrix::Identity(4, 4) * 2, 2);  // and recovers
  EXPECT_NEAR(solver.variances()(0), 2.0, 1e-14);
}

}  // namespace
}  // namespace vexmoor
