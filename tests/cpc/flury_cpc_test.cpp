#include "cpc/flury_cpc.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "cpc/model_numerics.h"
#include "cpc_test_support.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using testing::orthogonalityError;
using testing::randomOrthogonal;
using testing::sampleCovariance;
using testing::vec;

Matrix rotation2(double theta) {
  Matrix r(2, 2);
  r << std::cos(theta), -std::sin(theta), std::sin(theta), std::cos(theta);
  return r;
}

Matrix withAxes(const Matrix& axes, const Vector& variances) {
  return axes * variances.asDiagonal() * axes.transpose();
}

double offDiagonal(const Matrix& m) {
  return (m - Matrix(m.diagonal().asDiagonal())).cwiseAbs().maxCoeff();
}

// Axes shared by both 2 × 2 blocks: the rotation is the smallest turn that
// reaches them, whatever the sign of the turn. Small negative turns are the
// case a sign-dependent choice of eigenvector turns into near-quarter turns.
TEST(FluryG, FindsTheSmallestTurnToSharedAxes) {
  for (double theta : {0.3, -0.05, -0.7, 0.7, -1e-4, 1.2, -1.3}) {
    Matrix axes = rotation2(theta);
    Matrix t1 = withAxes(axes, vec({4.0, 1.0}));
    Matrix t2 = withAxes(axes, vec({2.0, 3.0}));
    Matrix q = flury_g(t1, t2, 10, 12);
    SCOPED_TRACE(theta);
    EXPECT_NEAR(q.determinant(), 1.0, 1e-14);
    EXPECT_LT(offDiagonal(q.transpose() * t1 * q), 1e-9);
    EXPECT_LT(offDiagonal(q.transpose() * t2 * q), 1e-9);
    double angle = std::atan2(q(1, 0), q(0, 0));
    EXPECT_LE(std::abs(angle), kPi / 4 + 1e-12);
    // The shared axes are theta modulo quarter turns.
    double steps = (angle - theta) / kHalfPi;
    EXPECT_NEAR(steps, std::round(steps), 1e-9);
  }
}

TEST(FluryG, LeavesABlockWithEqualVariancesUnturned) {
  Matrix t(2, 2);
  t << 2, 1, 1, 2;
  EXPECT_TRUE(flury_g(t, t, 1, 1).isIdentity(0));
  Matrix d = Matrix::Identity(2, 2) * 3;
  EXPECT_TRUE(flury_g(d, 2 * d, 5, 7).isIdentity(0));
}

TEST(FluryG, ZeroVarianceIsAnErrorNamingGroupAndColumn) {
  Matrix t1(2, 2), t2(2, 2);
  t1 << 1, 0.2, 0.2, 2;
  t2 << 3, 0, 0, 0;
  EXPECT_THAT([&] { flury_g(t1, t2, 1, 1); },
              ::testing::ThrowsMessage<Error>(AllOf(HasSubstr("group 2"), HasSubstr("column 2"))));
}

TEST(FluryG, StopsAtItsIterationBound) {
  Matrix t1 = withAxes(rotation2(0.4), vec({5.0, 1.0}));
  Matrix t2 = withAxes(rotation2(-0.2), vec({1.0, 4.0}));
  PairRotation unbounded = rotatePair(t1, t2, 1, 1);
  ASSERT_TRUE(unbounded.settled);
  ASSERT_GT(unbounded.iterations, 1);
  PairRotation bounded = rotatePair(t1, t2, 1, 1, 1);
  EXPECT_FALSE(bounded.settled);
  EXPECT_EQ(bounded.iterations, 1);
  EXPECT_NEAR(bounded.q.determinant(), 1.0, 1e-14);
}

TEST(FluryF, PairBlocksAreTheFourDotProductsToTheLastBit) {
  std::mt19937 gen(11);
  std::normal_distribution<double> normal;
  for (Index n = 1; n <= 41; ++n) {
    Matrix b(n, 3), ab(n, 3);
    for (Index i = 0; i < b.size(); ++i) {
      b.data()[i] = normal(gen);
      ab.data()[i] = 1e3 * normal(gen);
    }
    Eigen::Matrix2d t = pairBlock(b, ab, 0, 2);
    SCOPED_TRACE(n);
    EXPECT_EQ(t(0, 0), b.col(0).dot(ab.col(0)));
    EXPECT_EQ(t(0, 1), b.col(0).dot(ab.col(2)));
    EXPECT_EQ(t(1, 0), b.col(2).dot(ab.col(0)));
    EXPECT_EQ(t(1, 1), b.col(2).dot(ab.col(2)));
  }
}

TEST(FluryF, DiagonalMatricesGiveOrderedCoordinateAxes) {
  Matrix a1 = vec({5.0, 1.0, 3.0}).asDiagonal();
  Matrix a2 = vec({1.0, 2.0, 4.0}).asDiagonal();
  // Weighted variances 2·a1 + 3·a2: 13, 8, 18.
  CommonComponents fit = flury_f(a1, a2, 2, 3);
  Matrix expected(3, 3);
  expected << 0, 1, 0, 1, 0, 0, 0, 0, 1;
  EXPECT_TRUE(fit.B.cwiseAbs().isApprox(expected));
  EXPECT_EQ(fit.phi, 0.0);
  EXPECT_EQ(fit.sweeps, 2);
  EXPECT_TRUE(fit.s1est.isApprox(a1));
  EXPECT_TRUE(fit.s2est.isApprox(a2));
}

TEST(FluryF, EqualVariancesInBothGroupsLeaveThePairUnturned) {
  Matrix a(2, 2);
  a << 2, 1, 1, 2;
  CommonComponents fit = flury_f(a, a);
  EXPECT_TRUE(fit.B.isIdentity(0));
  EXPECT_NEAR(fit.phi, 2 * std::log(4.0 / 3.0), 1e-15);
  EXPECT_TRUE(fit.s1est.isApprox(2 * Matrix::Identity(2, 2)));
  EXPECT_TRUE(fit.s2est.isApprox(2 * Matrix::Identity(2, 2)));
}

TEST(FluryF, OneVariableIsLeftAsItIs) {
  CommonComponents fit = flury_f(Matrix::Constant(1, 1, 2.5), Matrix::Constant(1, 1, 0.5), 3, 4);
  EXPECT_EQ(fit.B, Matrix::Identity(1, 1));
  EXPECT_EQ(fit.s1est(0, 0), 2.5);
  EXPECT_EQ(fit.s2est(0, 0), 0.5);
}

TEST(FluryF, RecoversEigenvectorsSharedByBothMatrices) {
  const unsigned seed = 20240611;
  SCOPED_TRACE(seed);
  Matrix q = randomOrthogonal(6, seed);
  Vector d1(6), d2(6);
  d1 << 9, 0.5, 4, 2, 7, 1;
  d2 << 1, 3, 6, 0.25, 2, 8;
  double n1 = 20, n2 = 31;
  CommonComponents fit = flury_f(withAxes(q, d1), withAxes(q, d2), n1, n2);
  EXPECT_LT(orthogonalityError(fit.B), 1e-12);
  // Expected order: ascending n1·d1 + n2·d2 = 211, 103, 266, 47.75, 202, 268.
  const int order[] = {3, 1, 4, 0, 2, 5};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(std::abs(fit.B.col(i).dot(q.col(order[i]))), 1.0, 1e-9);
  }
  EXPECT_TRUE(fit.s1est.isApprox(withAxes(q, d1), 1e-9));
  EXPECT_TRUE(fit.s2est.isApprox(withAxes(q, d2), 1e-9));
  EXPECT_NEAR(fit.phi, 0.0, 1e-9);
}

// On sample matrices without exactly shared axes: B satisfies Flury's
// likelihood equations, and no small turn of a pair of axes lowers φ.
TEST(FluryF, SolvesTheLikelihoodEquationsOnSampleMatrices) {
  const unsigned seed = 7;
  SCOPED_TRACE(seed);
  const Index p = 5;
  Matrix q = randomOrthogonal(p, seed);
  Vector v1(p), v2(p);
  v1 << 5, 3, 2, 1, 0.5;
  v2 << 1, 4, 2.5, 0.7, 2;
  double n1 = 40, n2 = 35;
  Matrix a1 = sampleCovariance(withAxes(q, v1), 40, seed + 1);
  Matrix a2 = sampleCovariance(withAxes(q, v2), 35, seed + 2);
  CommonComponents fit = flury_f(a1, a2, n1, n2);
  ASSERT_TRUE(fit.settled);
  const Matrix& b = fit.B;
  EXPECT_LT(orthogonalityError(b), 1e-12);
  Vector l1 = (b.transpose() * a1 * b).diagonal();
  Vector l2 = (b.transpose() * a2 * b).diagonal();
  for (Index l = 0; l < p; ++l) {
    for (Index j = l + 1; j < p; ++j) {
      Matrix w =
          n1 * (l1(l) - l1(j)) / (l1(l) * l1(j)) * a1 + n2 * (l2(l) - l2(j)) / (l2(l) * l2(j)) * a2;
      EXPECT_NEAR(b.col(l).dot(w * b.col(j)), 0.0, 1e-8 * w.norm()) << l << ", " << j;
      for (double turn : {1e-4, -1e-4}) {
        Matrix turned = b;
        turned.col(l) = std::cos(turn) * b.col(l) + std::sin(turn) * b.col(j);
        turned.col(j) = -std::sin(turn) * b.col(l) + std::cos(turn) * b.col(j);
        EXPECT_GE(fluryCriterion(turned, a1, a2, n1, n2), fit.phi - 1e-12);
      }
    }
  }
  // Sign flips and reordering of the variables change nothing essential.
  Eigen::PermutationMatrix<Eigen::Dynamic> perm(p);
  perm.indices() << 2, 0, 4, 1, 3;
  Matrix signs = vec({1.0, -1.0, 1.0, -1.0, -1.0}).asDiagonal();
  Matrix pm = signs * Matrix(perm);
  CommonComponents moved = flury_f(pm * a1 * pm.transpose(), pm * a2 * pm.transpose(), n1, n2);
  EXPECT_NEAR(moved.phi, fit.phi, 1e-9 * fit.phi);
  EXPECT_NEAR(logDeterminant(moved.s1est), logDeterminant(fit.s1est), 1e-9);
}

TEST(FluryF, ZeroVarianceNamesTheVariableAndTheGroup) {
  Matrix a1 = Matrix::Identity(3, 3);
  Matrix a2 = vec({1.0, 0.0, 2.0}).asDiagonal();
  EXPECT_THAT([&] { flury_f(a1, a2, 5, 5); },
              ::testing::ThrowsMessage<Error>(AllOf(HasSubstr("variable 2"), HasSubstr("group 2"),
                                                    HasSubstr("zero variance"))));
  EXPECT_THAT([&] { flury_f(a2, a2, 5, 5); },
              ::testing::ThrowsMessage<Error>(HasSubstr("variable 2 has zero variance in both")));
}

TEST(FluryF, StopsAtItsSweepBoundWithTheLastEstimate) {
  Matrix a1 = sampleCovariance(withAxes(randomOrthogonal(4, 3), vec({4, 3, 2, 1})), 30, 4);
  Matrix a2 = sampleCovariance(withAxes(randomOrthogonal(4, 5), vec({1, 2, 3, 4})), 30, 6);
  CpcLimits limits;
  limits.maxSweeps = 1;
  CommonComponents fit = flury_f(a1, a2, 30, 30, limits);
  EXPECT_FALSE(fit.settled);
  EXPECT_EQ(fit.sweeps, 1);
  EXPECT_LT(orthogonalityError(fit.B), 1e-12);
  EXPECT_TRUE(std::isfinite(fit.phi));
}

// Singular matrices (fewer specimens than variables) end in bounded time
// with whatever numbers they give.
TEST(FluryF, SingularMatricesEndInBoundedTime) {
  Matrix a1 = sampleCovariance(Matrix::Identity(6, 6), 4, 11);
  Matrix a2 = sampleCovariance(Matrix::Identity(6, 6), 3, 12);
  CommonComponents fit = flury_f(a1, a2, 4, 3);
  EXPECT_LE(fit.sweeps, CpcLimits{}.maxSweeps);
  EXPECT_EQ(fit.B.rows(), 6);
}

TEST(LogDeterminant, AgreesWithTheDeterminantAndSurvivesUnderflow) {
  Matrix a = sampleCovariance(Matrix::Identity(4, 4), 10, 1);
  EXPECT_NEAR(logDeterminant(a), std::log(a.determinant()), 1e-12);
  Matrix small = 1e-3 * Matrix::Identity(150, 150);
  ASSERT_EQ(small.determinant(), 0.0);
  EXPECT_NEAR(logDeterminant(small), 150 * std::log(1e-3), 1e-9);
  Matrix singular = Matrix::Ones(3, 3);
  EXPECT_EQ(logDeterminant(singular), -std::numeric_limits<double>::infinity());
  Matrix negative = vec({1.0, -2.0}).asDiagonal();
  EXPECT_TRUE(std::isnan(logDeterminant(negative)));
  Matrix swapped(2, 2);
  swapped << 0, 1, 1, 0;  // det -1 through the pivoting
  EXPECT_TRUE(std::isnan(logDeterminant(swapped)));
  EXPECT_EQ(logDeterminant(Matrix(0, 0)), 0.0);
}

}  // namespace
}  // namespace vexmoor
