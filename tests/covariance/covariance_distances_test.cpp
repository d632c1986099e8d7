#include "covariance/covariance_distances.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "covariance/covariance_geometry.h"
#include "covariance_fixtures.h"

namespace vexmoor {
namespace {

Matrix squaredDistancesOf(const Matrix& points) {
  const Index k = points.rows();
  Matrix d(k, k);
  for (Index i = 0; i < k; ++i) {
    for (Index j = 0; j < k; ++j) {
      d(i, j) = (points.row(i) - points.row(j)).squaredNorm();
    }
  }
  return d;
}

TEST(PrincipalCoordinates, EuclideanDistancesGiveBackThePoints) {
  std::mt19937 gen(41);
  const Matrix points = testing::randomSample(gen, 7, 3);
  const PrincipalCoordinates o = principalCoordinates(squaredDistancesOf(points));
  ASSERT_EQ(o.eigenvalues.size(), 6);
  ASSERT_EQ(o.coordinates.cols(), 3);
  const Matrix centred = points.rowwise() - points.colwise().mean();
  Eigen::SelfAdjointEigenSolver<Matrix> scatter(centred.transpose() * centred);
  EXPECT_LT((o.eigenvalues.head(3) - scatter.eigenvalues().reverse()).norm(),
            1e-10 * o.eigenvalues(0));
  EXPECT_LT(o.eigenvalues.tail(3).cwiseAbs().maxCoeff(), 1e-10 * o.eigenvalues(0));
  EXPECT_LT((squaredDistancesOf(o.coordinates) - squaredDistancesOf(points)).norm(),
            1e-10 * squaredDistancesOf(points).norm());
  EXPECT_NEAR(o.cumulativeShares(5), 1, 1e-12);
  EXPECT_NEAR(o.shares(0), o.eigenvalues(0) / o.eigenvalues.sum(), 1e-14);
}

TEST(CovarianceDistances, MatrixOrdinationAndPermutationTests) {
  std::mt19937 gen(42);
  std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {40, 35, 45, 30}, 3);
  groups[2].x.col(0) *= 20;  // a group apart
  const CovarianceInput in = testing::unreduced(groups);
  DistanceOptions options;
  options.logEuclidean = true;
  options.resampling = {99, 5, nullptr, 1};
  const CovarianceDistances d = covarianceDistances(in, options);
  for (Index a = 0; a < 4; ++a) {
    EXPECT_EQ(d.riemannian(a, a), 0);
    for (Index b = 0; b < 4; ++b) {
      EXPECT_EQ(d.riemannian(a, b), d.riemannian(b, a));
      const Matrix la = *matrixLogarithm(in.groups[a].s), lb = *matrixLogarithm(in.groups[b].s);
      EXPECT_NEAR(d.logEuclidean(a, b), (la - lb).norm(), 1e-12);
    }
  }
  EXPECT_NEAR(d.riemannian(1, 3),
              riemannianDistance(relativeEigen(in.groups[1].s, in.groups[3].s)->values), 1e-12);
  EXPECT_EQ(d.ordination.eigenvalues.size(), 3);

  ASSERT_EQ(d.tests.size(), 6u);
  ASSERT_EQ(d.values.rows(), 99);
  for (const DistanceTest& t : d.tests) {
    EXPECT_EQ(d.pValues(Index(t.first), Index(t.second)), t.p);
    if (t.first == 2 || t.second == 2) {
      EXPECT_EQ(t.p, 0.01) << t.first << "," << t.second;  // no reassignment comes near
    }
  }
  EXPECT_TRUE(std::isnan(d.pValues(0, 0)));
  options.resampling.threads = 2;
  EXPECT_EQ(covarianceDistances(in, options).values, d.values);
}

TEST(CovarianceDistances, ReassignmentKeepsSizesAndSubgroups) {
  std::mt19937 gen(43);
  std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {6, 5, 4}, 2);
  groups[0].within = {"F", "M", "F", "M", "F", "F"};
  groups[1].within = {"M", "M", "F", "F", "M"};
  const CovarianceInput in = testing::unreduced(groups);
  const StackedGroups stacked = stackGroups(in.groups);
  const Reassignment dealer(in.groups, stacked, {0, 1});
  ReplicateStream stream(1, 0);
  std::vector<std::vector<Subgroup>> dealt;
  std::vector<Index> scratch;
  std::vector<Index> seen;
  bool moved = false;
  for (int round = 0; round < 20; ++round) {
    dealer.deal(stream, dealt, scratch);
    ASSERT_EQ(dealt.size(), 2u);
    seen.clear();
    for (size_t g = 0; g < 2; ++g) {
      for (size_t s = 0; s < dealt[g].size(); ++s) {
        const Subgroup& own = in.groups[g].subgroups[s];
        EXPECT_EQ(dealt[g][s].name, own.name);
        EXPECT_EQ(dealt[g][s].rows.size(), own.rows.size());
        for (Index row : dealt[g][s].rows) {
          // Only specimens of the same sub-group, of either group.
          const size_t from = row < 6 ? 0 : 1;
          const Index local = row - stacked.offsets[from];
          EXPECT_EQ(groups[from].within[size_t(local)], own.name);
          moved = moved || from != g;
          seen.push_back(row);
        }
      }
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<Index>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  }
  EXPECT_TRUE(moved);
}

}  // namespace
}  // namespace vexmoor
