#include "covariance/relative_eigenanalysis.h"

#include <gtest/gtest.h>

#include <cmath>

#include <Eigen/Eigenvalues>

#include "covariance/covariance_geometry.h"
#include "covariance_fixtures.h"
#include "support/error_message.h"
#include "tropheus.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

TEST(RelativeEigenanalysis, AgreesWithAGeneralisedSymmetricEigensolver) {
  std::mt19937 gen(21);
  for (Index p : {1, 2, 5, 9}) {
    SCOPED_TRACE("p = " + std::to_string(p) + ", seed 21");
    const Matrix s1 = testing::randomSpd(gen, p), s2 = testing::randomSpd(gen, p);
    const RelativeEigen re = *relativeEigen(s1, s2);
    Eigen::GeneralizedSelfAdjointEigenSolver<Matrix> ge(s1, s2);
    const Vector expected = ge.eigenvalues().reverse();
    EXPECT_LT((re.values - expected).norm(), 1e-10 * expected.norm());
    for (Index j = 0; j < p; ++j) {
      const Vector v = re.vectors.col(j);
      EXPECT_NEAR(v.norm(), 1, 1e-12);
      EXPECT_LT((s1 * v - re.values(j) * s2 * v).norm(), 1e-9 * s1.norm());
    }
    EXPECT_NEAR(re.values.prod(), s1.determinant() / s2.determinant(), 1e-9 * re.values.prod());

    // The distance: symmetric, zero for equal matrices, blind to a common
    // change of variables.
    const double d = riemannianDistance(re.values);
    EXPECT_NEAR(riemannianDistance(relativeEigen(s2, s1)->values), d, 1e-10 * d);
    EXPECT_NEAR(riemannianDistance(relativeEigen(s1, s1)->values), 0, 1e-12);
    const Matrix a = testing::randomSample(gen, p, p);
    const Matrix t1 = a.transpose() * s1 * a, t2 = a.transpose() * s2 * a;
    EXPECT_NEAR(riemannianDistance(relativeEigen(t1, t2)->values), d, 1e-8 * d);
    const Matrix l1 = *matrixLogarithm(s1), l2 = *matrixLogarithm(s2);
    EXPECT_NEAR(logEuclideanDistance(l1, l2), logEuclideanDistance(l2, l1), 1e-14);
    EXPECT_LT((l1 - matrixLogarithm(s1 * s1)->operator*(0.5)).norm(), 1e-10 * l1.norm());
  }
  EXPECT_FALSE(relativeEigen(Matrix::Identity(2, 2), Matrix::Zero(2, 2)));
}

TEST(RelativeEigenanalysis, ProportionalityAndItsChiSquaredTail) {
  std::mt19937 gen(22);
  std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {20, 30}, 5);
  groups[1].x = groups[0].x * std::sqrt(3.0);
  groups[1].x.conservativeResize(20, 5);
  const RelativeEigenanalysis r = relativeEigenanalysis(testing::unreduced(groups));
  const RelativeEigenPair& pair = r.pairs.front();
  EXPECT_LT((pair.eigenvalues.array() - 1.0 / 3).abs().maxCoeff(), 1e-12);
  EXPECT_NEAR(pair.logGeneralizedVarianceRatio, -5 * std::log(3.0), 1e-11);
  EXPECT_NEAR(pair.proportionality.statistic, 0, 1e-10);
  EXPECT_NEAR(pair.proportionality.p, 1, 1e-9);
  EXPECT_EQ(pair.proportionality.df, 14);
  EXPECT_TRUE(pair.proportionality.fewSpecimens);  // n = 20 < 10 · 5
  for (double x : {0.1, 2.0, 15.0}) {
    EXPECT_NEAR(chiSquaredUpperTail(x, 2), std::exp(-x / 2), 1e-14);
    EXPECT_NEAR(chiSquaredUpperTail(x, 1), std::erfc(std::sqrt(x / 2)), 1e-14);
  }
}

class CancelAtOnce : public Progress {
 public:
  void report(std::int64_t, std::int64_t) override {}
  bool cancelRequested() const override { return true; }
};

TEST(RelativeEigenanalysis, BootstrapIsReproducibleOnAnyThreadCount) {
  const CovarianceInput in =
      prepareCovarianceInput(testing::tropheusPopulations(), {ReductionKind::kTotalComponents, 5});
  RelativeEigenOptions options;
  options.pairs = {{0, 5}, {2, 1}};
  options.resampling = {300, 7, nullptr, 1};
  const RelativeEigenanalysis one = relativeEigenanalysis(in, options);
  options.resampling.threads = 2;
  const RelativeEigenanalysis two = relativeEigenanalysis(in, options);
  for (size_t k = 0; k < 2; ++k) {
    const RelativeEigenBootstrap& b = *one.pairs[k].bootstrap;
    ASSERT_EQ(b.values.rows(), 300);
    ASSERT_EQ(b.values.cols(), 6);
    EXPECT_EQ(b.values, two.pairs[k].bootstrap->values);
    EXPECT_EQ(b.undefined, 0);
    for (Index c = 0; c < 6; ++c) {
      EXPECT_LT(b.lower(c), b.upper(c));
      // The log ratio of a replicate is the sum of the logs of its values.
      EXPECT_NEAR(b.values(c, 5), b.values.row(c).head(5).array().log().sum(), 1e-12);
    }
  }
  options.resampling.seed = 8;
  EXPECT_NE(relativeEigenanalysis(in, options).pairs[0].bootstrap->values,
            one.pairs[0].bootstrap->values);

  CancelAtOnce cancel;
  options.resampling.progress = &cancel;
  EXPECT_THROW(relativeEigenanalysis(in, options), Cancelled);
}

TEST(RelativeEigenanalysis, RefusesPairsAndLevelsThatMakeNoSense) {
  std::mt19937 gen(23);
  const CovarianceInput in = testing::unreduced(testing::randomGroups(gen, {20, 30}, 3));
  RelativeEigenOptions options;
  options.pairs = {{1, 1}};
  EXPECT_EQ(errorMessage([&] { relativeEigenanalysis(in, options); }),
            "a relative eigenanalysis compares two different groups of the 2; asked for groups "
            "2 and 2");
  options.pairs = {referencePairs(2, 1)};
  options.level = 1;
  EXPECT_EQ(errorMessage([&] { relativeEigenanalysis(in, options); }),
            "the level of the bootstrap intervals must lie between 0 and 1; it is 1");
  EXPECT_EQ(referencePairs(3, 1), (std::vector<IndexPair>{{0, 1}, {2, 1}}));
  EXPECT_EQ(tableOrderPairs(3), (std::vector<IndexPair>{{0, 1}, {0, 2}, {1, 2}}));
}

}  // namespace
}  // namespace vexmoor
