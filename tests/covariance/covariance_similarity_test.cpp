// Random skewers and matrix correlation: two ways of asking how alike two
// covariance matrices are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

#include "covariance/matrix_correlation.h"
#include "covariance/random_skewers.h"
#include "covariance_fixtures.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

CovarianceResampling seeded(Index replicates, std::uint64_t seed, int threads = 0) {
  return {replicates, seed, nullptr, threads};
}

TEST(RandomSkewers, AMatrixWithItselfOrAMultipleRespondsAlike) {
  std::mt19937 gen(51);
  std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {30}, 7);
  groups.push_back({"B", groups[0].x * 2.5, {}});
  groups.push_back({"C", groups[0].x, {}});
  const RandomSkewers s = randomSkewers(testing::unreduced(groups), seeded(200, 3));
  ASSERT_EQ(s.pairs.size(), 3u);
  for (const SkewerPair& p : s.pairs) {
    EXPECT_LT((p.correlations.array() - 1).abs().maxCoeff(), 1e-12);
    EXPECT_NEAR(p.meanCorrelation, 1, 1e-12);
    EXPECT_LT(p.meanAngle, 1e-5);
    EXPECT_NEAR(p.p, 1.0 / 201, 1e-15);  // no pair of random vectors comes as close
  }
}

TEST(RandomSkewers, EqualADirectComputationOnAnyThreadCount) {
  std::mt19937 gen(52);
  const CovarianceInput in = testing::unreduced(testing::randomGroups(gen, {30, 40}, 6));
  const RandomSkewers s = randomSkewers(in, seeded(700, 9, 1));
  const SkewerPair& p = s.pairs.front();
  double sum = 0;
  for (Index j = 0; j < 700; ++j) {
    const Vector beta = randomSkewer(9, j, 6);
    EXPECT_NEAR(beta.norm(), 1, 1e-14);
    const Vector r1 = in.groups[0].s * beta, r2 = in.groups[1].s * beta;
    const double r = r1.dot(r2) / (r1.norm() * r2.norm());
    EXPECT_NEAR(p.correlations(j), r, 1e-13) << j;
    sum += r;
  }
  EXPECT_NEAR(p.meanCorrelation, sum / 700, 1e-13);
  EXPECT_NEAR(p.sd, std::sqrt((p.correlations.array() - sum / 700).square().sum() / 699), 1e-13);
  const RandomSkewers two = randomSkewers(in, seeded(700, 9, 2));
  EXPECT_EQ(two.pairs.front().correlations, p.correlations);
  EXPECT_EQ(two.reference, s.reference);
  EXPECT_EQ(errorMessage([&] { randomSkewers(in, seeded(0, 9)); }),
            "random skewers need at least 1 skewer; asked for 0");
}

TEST(RandomSkewers, ReferenceFollowsTheCosineOfTwoRandomDirections) {
  std::mt19937 gen(53);
  // In three dimensions the cosine is uniform on (−1, 1).
  const Index n = 20000;
  Vector ref =
      randomSkewers(testing::unreduced(testing::randomGroups(gen, {10, 10}, 3)), seeded(n, 4))
          .reference;
  std::sort(ref.begin(), ref.end());
  for (double q = 0.1; q < 0.95; q += 0.1) {
    EXPECT_NEAR(ref(Index(std::ceil(q * n)) - 1), 2 * q - 1, 0.03) << q;
  }
  // In p dimensions its variance is 1/p.
  const Vector ref10 =
      randomSkewers(testing::unreduced(testing::randomGroups(gen, {20, 20}, 10)), seeded(n, 5))
          .reference;
  EXPECT_NEAR(ref10.squaredNorm() / double(n), 0.1, 0.005);
  EXPECT_NEAR(ref10.mean(), 0, 0.01);
}

double pearson(const std::vector<double>& x, const std::vector<double>& y) {
  const double n = double(x.size());
  const double mx = std::accumulate(x.begin(), x.end(), 0.0) / n;
  const double my = std::accumulate(y.begin(), y.end(), 0.0) / n;
  double sxy = 0, sxx = 0, syy = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    sxy += (x[i] - mx) * (y[i] - my);
    sxx += (x[i] - mx) * (x[i] - mx);
    syy += (y[i] - my) * (y[i] - my);
  }
  return sxy / std::sqrt(sxx * syy);
}

// The correlation of s1 with s2 whose variables are reordered by `order`.
double reorderedCorrelation(const Matrix& s1, const Matrix& s2, const std::vector<Index>& order,
                            bool diagonal) {
  std::vector<double> x, y;
  for (Index i = 0; i < s1.rows(); ++i) {
    for (Index j = 0; j < (diagonal ? i + 1 : i); ++j) {
      x.push_back(s1(i, j));
      y.push_back(s2(order[size_t(i)], order[size_t(j)]));
    }
  }
  return pearson(x, y);
}

TEST(MatrixCorrelation, PearsonOfTheChosenElementsWhateverTheScale) {
  std::mt19937 gen(54);
  std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {30, 40}, 5);
  const std::vector<Index> same{0, 1, 2, 3, 4};
  for (bool diagonal : {false, true}) {
    CorrelationOptions options;
    options.diagonal = diagonal;
    const CovarianceInput in = testing::unreduced(groups);
    const double r = matrixCorrelation(in, options).pairs.front().correlation;
    EXPECT_NEAR(r, reorderedCorrelation(in.groups[0].s, in.groups[1].s, same, diagonal), 1e-14);
    std::vector<CovarianceGroup> scaled = groups;
    scaled[1].x *= 7;
    EXPECT_NEAR(matrixCorrelation(testing::unreduced(scaled), options).pairs.front().correlation, r,
                1e-14);
  }
}

// Every permuted correlation is that of one reordering of whole units (a
// landmark's coordinates together, or single variables).
TEST(MatrixCorrelation, PermutationsReorderWholeUnitsOnAnyThreadCount) {
  std::mt19937 gen(55);
  const CovarianceInput in = testing::unreduced(testing::randomGroups(gen, {30, 40}, 6));
  for (int dimension : {0, 2, 3}) {
    SCOPED_TRACE("landmark dimension " + std::to_string(dimension));
    const int unit = std::max(dimension, 1);
    std::vector<Index> units(size_t(6 / unit));
    std::iota(units.begin(), units.end(), Index{0});
    std::set<double> possible;
    do {
      std::vector<Index> order;
      for (Index u : units) {
        for (int c = 0; c < unit; ++c) {
          order.push_back(u * unit + c);
        }
      }
      possible.insert(reorderedCorrelation(in.groups[0].s, in.groups[1].s, order, false));
    } while (std::next_permutation(units.begin(), units.end()));

    CorrelationOptions options;
    options.landmarkDimension = dimension;
    options.resampling = seeded(300, 6, 1);
    const MatrixCorrelation c = matrixCorrelation(in, options);
    EXPECT_EQ(c.units, dimension ? PermutedUnits::kLandmarks : PermutedUnits::kVariables);
    const CorrelationPair& p = c.pairs.front();
    for (double r : p.permutedCorrelations) {
      auto near = possible.lower_bound(r - 1e-12);
      ASSERT_TRUE(near != possible.end() && *near < r + 1e-12) << r;
    }
    const double atLeast =
        double(std::count_if(p.permutedCorrelations.begin(), p.permutedCorrelations.end(),
                             [&](double r) { return r >= p.correlation; }));
    EXPECT_DOUBLE_EQ(p.p, (1 + atLeast) / 301);
    options.resampling.threads = 2;
    EXPECT_EQ(matrixCorrelation(in, options).pairs.front().permutedCorrelations,
              p.permutedCorrelations);
  }
}

TEST(MatrixCorrelation, RefusesWhatCannotBeCorrelatedOrPermuted) {
  std::mt19937 gen(56);
  const std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {30, 40}, 6);
  CorrelationOptions options;
  options.landmarkDimension = 4;
  EXPECT_EQ(errorMessage([&] { matrixCorrelation(testing::unreduced(groups), options); }),
            "6 variables are no landmark coordinates in 4 dimensions");
  options.landmarkDimension = 2;
  EXPECT_EQ(errorMessage([&] {
              matrixCorrelation(
                  prepareCovarianceInput(groups, {ReductionKind::kTotalComponents, 4}), options);
            }),
            "principal-component scores cannot be permuted a landmark at a time; permute "
            "variables");
  EXPECT_EQ(errorMessage([&] {
              matrixCorrelation(testing::unreduced(testing::randomGroups(gen, {9, 9}, 2)));
            }),
            "a matrix correlation needs at least 2 elements of each matrix; 2 variables give 1");
}

}  // namespace
}  // namespace vexmoor
