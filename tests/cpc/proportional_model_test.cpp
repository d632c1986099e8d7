#include "cpc/proportional_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "cpc/model_numerics.h"
#include "cpc_test_support.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

using ::testing::HasSubstr;
using testing::randomOrthogonal;
using testing::sampleCovariance;
using testing::vec;

Matrix someCovariance(unsigned seed) {
  Matrix q = randomOrthogonal(4, seed);
  return q * vec({3.0, 1.5, 0.8, 0.2}).asDiagonal() * q.transpose();
}

TEST(FluryPcm, ProportionalMatricesGiveTheirConstant) {
  Matrix s1 = someCovariance(1);
  for (double t : {2.5, 0.3, 1.0}) {
    SCOPED_TRACE(t);
    ProportionalModel m = flury_pcm(s1, t * s1, 12, 17);
    ASSERT_TRUE(m.settled);
    EXPECT_EQ(m.iterations, 2);
    EXPECT_EQ(m.p(0), 1.0);
    EXPECT_NEAR(m.p(1), t, 1e-12 * t);
    EXPECT_TRUE(m.s1est.isApprox(s1, 1e-12));
    EXPECT_TRUE(m.s2est.isApprox(t * s1, 1e-12));
  }
  // Starting at 0.5, the first iteration already confirms a constant of 0.5.
  EXPECT_EQ(flury_pcm(s1, 0.5 * s1, 3, 9).iterations, 1);
}

// The proportional model's likelihood, profiled over ρ: for a given ρ the
// best common matrix is (n1·S1 + n2·S2/ρ) / (n1 + n2).
double profileLogLikelihood(const Matrix& s1, const Matrix& s2, double n1, double n2, double rho) {
  Matrix sigma = (n1 * s1 + n2 * s2 / rho) / (n1 + n2);
  return -n1 * logDeterminant(sigma) - n2 * logDeterminant(rho * sigma);
}

TEST(FluryPcm, MaximisesTheLikelihoodOnSampleMatrices) {
  const unsigned seed = 99;
  SCOPED_TRACE(seed);
  Matrix sigma = someCovariance(seed);
  Matrix s1 = sampleCovariance(sigma, 25, seed + 1);
  Matrix s2 = sampleCovariance(1.7 * sigma, 40, seed + 2);
  double n1 = 25, n2 = 40;
  ProportionalModel m = flury_pcm(s1, s2, n1, n2);
  ASSERT_TRUE(m.settled);
  EXPECT_EQ(m.p(0), 1.0);
  EXPECT_EQ(m.s2est, m.p(1) * m.s1est);
  double rho = m.p(1);
  double best = profileLogLikelihood(s1, s2, n1, n2, rho);
  // On the profile curve at ρ, not merely within the stopping tolerance of it.
  EXPECT_NEAR(-n1 * logDeterminant(m.s1est) - n2 * logDeterminant(m.s2est), best, 1e-9);
  EXPECT_TRUE(m.s1est.isApprox((n1 * s1 + n2 * s2 / rho) / (n1 + n2), 1e-12));
  for (double step : {1e-3, -1e-3, 0.05, -0.05}) {
    EXPECT_LT(profileLogLikelihood(s1, s2, n1, n2, rho * (1 + step)), best) << step;
  }
}

TEST(FluryPcm, AVariableConstantInBothGroupsIsNamed) {
  Matrix s = vec({1.0, 0.0, 2.0}).asDiagonal();
  EXPECT_THAT([&] { flury_pcm(s, 2 * s, 4, 4); },
              ::testing::ThrowsMessage<Error>(HasSubstr("variable 2 has zero variance in both")));
}

TEST(FluryPcm, StopsAtItsBoundWithTheLastEstimate) {
  Matrix s1 = sampleCovariance(someCovariance(5), 30, 6);
  Matrix s2 = sampleCovariance(someCovariance(7), 30, 8);
  ProportionalModel m = flury_pcm(s1, s2, 30, 30, 1);
  EXPECT_FALSE(m.settled);
  EXPECT_EQ(m.iterations, 1);
  EXPECT_EQ(m.p(0), 1.0);
  EXPECT_TRUE(m.s1est.allFinite());
}

TEST(FluryPcm, SingularMatricesEndInBoundedTime) {
  Matrix s1 = sampleCovariance(Matrix::Identity(6, 6), 3, 21);
  Matrix s2 = sampleCovariance(Matrix::Identity(6, 6), 4, 22);
  ProportionalModel m = flury_pcm(s1, s2, 3, 4);
  EXPECT_LE(m.iterations, CpcLimits{}.maxProportionalIterations);
}

}  // namespace
}  // namespace vexmoor
