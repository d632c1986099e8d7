#include "covariance/common_subspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "compare/principal_axes.h"
#include "compare/subspace_angle.h"
#include "covariance_fixtures.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

TEST(CommonSubspace, IdenticalGroupsShareEveryDirectionOfTheirSubspace) {
  std::mt19937 gen(61);
  std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {25}, 6);
  groups.push_back({"B", groups[0].x, {}});
  groups.push_back({"C", groups[0].x, {}});
  SubspaceOptions options;
  options.k = 2;
  const CommonSubspace h = commonSubspace(testing::unreduced(groups), options);
  EXPECT_NEAR(h.eigenvalues(0), 3, 1e-12);
  EXPECT_NEAR(h.eigenvalues(1), 3, 1e-12);
  EXPECT_LT(h.eigenvalues.tail(4).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_LT(h.angles.maxCoeff(), 1e-5);
}

// With two groups H = P₁ + P₂, whose eigenvalues are 1 ± cos θᵢ of the
// principal angles, and 0 for directions outside both subspaces.
TEST(CommonSubspace, TwoGroupsGiveOnePlusAndMinusTheCosinesOfTheirAngles) {
  std::mt19937 gen(62);
  for (Index p : {5, 6, 10}) {  // H itself, and through AᵀA when p > 2k
    SCOPED_TRACE("p = " + std::to_string(p) + ", seed 62");
    const CovarianceInput in = testing::unreduced(testing::randomGroups(gen, {40, 30}, p));
    SubspaceOptions options;
    options.k = 3;
    const CommonSubspace h = commonSubspace(in, options);
    const Matrix b1 = principalAxes(in.groups[0].s).axes.leftCols(3);
    const Matrix b2 = principalAxes(in.groups[1].s).axes.leftCols(3);
    const Vector theta = principalAngles(b1, b2);
    std::vector<double> expected(size_t(std::max<Index>(p, 6)), 0.0);
    for (Index i = 0; i < 3; ++i) {
      expected[size_t(i)] = 1 + std::cos(theta(i));
      expected[size_t(i + 3)] = 1 - std::cos(theta(i));
    }
    std::sort(expected.rbegin(), expected.rend());
    for (Index i = 0; i < p; ++i) {
      EXPECT_NEAR(h.eigenvalues(i), expected[size_t(i)], 1e-12) << i;
    }
    // The leading eigenvector lies nearest both subspaces, at the same
    // angle from each: half the first principal angle.
    EXPECT_NEAR(h.angles(0, 0), h.angles(1, 0), 1e-8);
    EXPECT_NEAR(h.angles(0, 0), theta(0) / 2 * kDegreesPerRadian, 1e-6);
  }
}

TEST(CommonSubspace, NullIsReproducibleAndBadRequestsAreRefused) {
  std::mt19937 gen(63);
  std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {20, 25, 30}, 4);
  groups[0].within.assign(20, "F");
  std::fill(groups[0].within.begin(), groups[0].within.begin() + 8, "M");
  const CovarianceInput in = testing::unreduced(groups);
  SubspaceOptions options;
  options.k = 2;
  options.resampling = {150, 3, nullptr, 1};
  const CommonSubspace h = commonSubspace(in, options);
  ASSERT_TRUE(h.null);
  EXPECT_EQ(h.null->values.rows(), 150);
  EXPECT_EQ(h.null->values.cols(), 4);  // min(p, groups · k)
  EXPECT_TRUE((h.null->p.array() > 0).all() && (h.null->p.array() <= 1).all());
  options.resampling.threads = 2;
  EXPECT_EQ(commonSubspace(in, options).null->values, h.null->values);

  options.k = 5;
  EXPECT_EQ(errorMessage([&] { commonSubspace(in, options); }),
            "the number of principal components of each group must be a whole number from 1 to "
            "the 4 variables; it is 5");
  groups[1].x.conservativeResize(3, 4);  // varies in 2 directions
  options.k = 3;
  options.resampling.replicates = 0;
  EXPECT_EQ(errorMessage([&] { commonSubspace(testing::unreduced(groups), options); }),
            "the common subspace compares each group's first 3 principal components, but B "
            "varies in only 2 independent directions (3 specimens)");
}

}  // namespace
}  // namespace vexmoor
