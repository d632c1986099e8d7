// The way back from the analysed directions to landmarks: each
// displacement, run through the partial-warp transform itself, gives the
// loading it was made from, and the reduction takes the loading back to
// the analysed direction.
#include "covariance/variable_reduction.h"

#include <gtest/gtest.h>

#include <cmath>

#include "covariance/common_subspace.h"
#include "covariance/relative_eigenanalysis.h"
#include "covariance_fixtures.h"

namespace vexmoor {
namespace {

void expectMapsBack(const Matrix& consensus, const VariableReduction& r, const Matrix& vectors,
                    const Matrix& loadings, const std::vector<Matrix>& displacements) {
  ASSERT_EQ(displacements.size(), static_cast<size_t>(loadings.cols()));
  for (Index j = 0; j < loadings.cols(); ++j) {
    SCOPED_TRACE("vector " + std::to_string(j + 1));
    const Vector change =
        testing::partialWarpChange(consensus, displacements[static_cast<size_t>(j)], r.variables);
    EXPECT_LT((change - loadings.col(j)).norm(), 1e-9);
    EXPECT_LT((r.axes.transpose() * loadings.col(j) - vectors.col(j)).norm(), 1e-12);
    Index largest;
    loadings.col(j).cwiseAbs().maxCoeff(&largest);
    EXPECT_GT(loadings(largest, j), 0);
  }
}

TEST(VariableReduction, DisplacementsMapBackOntoTheirVectors) {
  std::mt19937 gen(31);
  // Eight landmarks round an ellipse, unevenly: 12 partial-warp scores.
  Matrix consensus(8, 2);
  for (Index i = 0; i < 8; ++i) {
    const double t = 0.8 * double(i) + 0.1 * double(i * i % 3);
    consensus.row(i) << 0.45 * std::cos(t), 0.25 * std::sin(t);
  }
  const ShapeVariableMap map = ShapeVariableMap::partialWarps2D(consensus, 12);
  std::vector<CovarianceGroup> groups = testing::randomGroups(gen, {40, 50, 45}, 12);
  for (CovarianceGroup& g : groups) {
    g.x *= 1e-3;  // the size of shape variables
  }
  const CovarianceInput in = prepareCovarianceInput(groups, {ReductionKind::kTotalComponents, 4});

  RelativeEigenOptions relative;
  relative.map = &map;
  const RelativeEigenPair pair = relativeEigenanalysis(in, relative).pairs[2];
  expectMapsBack(consensus, in.reduction, pair.vectors, pair.loadings, pair.displacements);
  for (Index j = 0; j < 4; ++j) {
    EXPECT_NEAR(std::pow(pair.deviations(j, 0) / pair.deviations(j, 1), 2), pair.eigenvalues(j),
                1e-10 * pair.eigenvalues(j));
  }

  SubspaceOptions subspace;
  subspace.k = 2;
  subspace.map = &map;
  const CommonSubspace h = commonSubspace(in, subspace);
  expectMapsBack(consensus, in.reduction, h.vectors, h.loadings, h.displacements);
}

}  // namespace
}  // namespace vexmoor
