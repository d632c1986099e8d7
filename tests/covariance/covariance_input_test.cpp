#include "covariance/covariance_input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "compare/principal_axes.h"
#include "covariance_fixtures.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using ::testing::HasSubstr;

TEST(CovarianceInput, TotalComponentsAreThoseOfAllSpecimensTogether) {
  std::mt19937 gen(11);
  std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {30, 25, 40}, 8);
  groups[1].x.array() += 5.0;  // group means apart: the total covariance sees them
  CovarianceInput in = prepareCovarianceInput(groups, {ReductionKind::kTotalComponents, 3});

  Matrix all(95, 8);
  all << groups[0].x, groups[1].x, groups[2].x;
  Matrix centred = all.rowwise() - all.colwise().mean();
  Eigen::JacobiSVD<Matrix> svd(centred, Eigen::ComputeThinV);
  const Matrix v = svd.matrixV().leftCols(3);
  const Matrix& a = in.reduction.axes;
  EXPECT_LT((a * a.transpose() - v * v.transpose()).norm(), 1e-10);
  EXPECT_LT((a.transpose() * a - Matrix::Identity(3, 3)).norm(), 1e-12);
  const Vector s2 = svd.singularValues().cwiseAbs2();
  EXPECT_NEAR(in.reduction.share, s2.head(3).sum() / s2.sum(), 1e-12);
  // Each group's matrix is that of its own scores on the components.
  EXPECT_LT((in.groups[1].s - a.transpose() * covariance(groups[1].x) * a).norm(), 1e-10);
  EXPECT_EQ(reductionLine(in.reduction)
                .rfind("Variables: the first 3 principal components of "
                       "all specimens together (",
                       0),
            0u);
}

TEST(CovarianceInput, SubgroupsPoolUnweightedWithoutTheirMeans) {
  std::mt19937 gen(12);
  std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {35, 20}, 4);
  std::vector<Index> f, m;
  for (Index i = 0; i < 35; ++i) {
    const bool male = i % 3 == 0;
    groups[0].within.push_back(male ? "M" : "F");
    (male ? m : f).push_back(i);
  }
  Matrix x = groups[0].x;
  CovarianceInput in = prepareCovarianceInput(groups, {});
  const Matrix expected = (covariance(x(f, Eigen::all)) + covariance(x(m, Eigen::all))) / 2;
  EXPECT_LT((in.groups[0].s - expected).norm(), 1e-12);
  EXPECT_EQ(groupSizeText(in.groups[0]), "35 specimens (M 12, F 23)");
  EXPECT_EQ(groupSizeText(in.groups[1]), "20 specimens");

  for (Index i : m) {
    groups[0].x.row(i).array() += 100.0;  // dimorphism
  }
  EXPECT_LT((prepareCovarianceInput(groups, {}).groups[0].s - expected).norm(), 1e-9);
}

TEST(CovarianceInput, BadInputNamesWhatIsWrong) {
  std::mt19937 gen(13);
  std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {12, 8}, 10);
  auto prepare = [&](ReductionChoice r = {}) { return prepareCovarianceInput(groups, r); };

  EXPECT_EQ(errorMessage([&] { prepareCovarianceInput({groups[0]}, {}); }),
            "comparing covariance matrices needs at least 2 groups; there are 1");
  EXPECT_EQ(errorMessage([&] { requireInvertibleCovariances(prepare()); }),
            "the covariance matrix of B is singular (8 specimens, too few for 10 variables); "
            "reduce the variables to at most 7 principal components first");
  EXPECT_EQ(errorMessage([&] {
              prepare({ReductionKind::kTotalComponents, 8});
            }),
            "the number of principal components (8) must be smaller than every group's number of "
            "specimens; B has 8");
  EXPECT_EQ(errorMessage([&] {
              prepare({ReductionKind::kPooledWithinComponents, 11});
            }),
            "the number of principal components must be a whole number from 1 to the 10 "
            "variables; it is 11");
  EXPECT_NO_THROW(requireInvertibleCovariances(prepare({ReductionKind::kTotalComponents, 7})));

  groups[1].within = {"F", "F", "F", "F", "F", "F", "F", "M"};
  EXPECT_EQ(errorMessage(prepare),
            "B: sub-group \"M\" has 1 specimen; a sub-group needs at least 2 for its covariance "
            "matrix");
  groups[1].within.clear();
  // A variable that is the sum of two others.
  groups[0] = {"A", testing::randomSample(gen, 30, 10), {}};
  groups[0].x.col(9) = groups[0].x.col(0) + groups[0].x.col(1);
  EXPECT_THAT(errorMessage([&] { requireInvertibleCovariances(prepare()); }),
              HasSubstr("the covariance matrix of A is singular (30 specimens, but its 10 "
                        "variables are linearly dependent)"));
  groups[0].x(4, 2) = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(errorMessage(prepare), "A, specimen 5, variable 3: the value is not a finite number");
  groups[1].x.conservativeResize(8, 9);
  EXPECT_EQ(errorMessage(prepare), "B has 9 variables, A has 10");
}

}  // namespace
}  // namespace vexmoor
