// The published example: six Tropheus populations, the first five
// principal components of all 511 fish, each population's covariance the
// mean of its sexes'. From the raw landmarks superimposed to convergence,
// every printed digit agrees; the stored superimposed coordinates were
// superimposed less tightly and agree to about 1e-7.
#include <gtest/gtest.h>

#include <cmath>

#include "covariance/covariance_distances.h"
#include "covariance/relative_eigenanalysis.h"
#include "tropheus.h"

namespace vexmoor {
namespace {

const double kRelativeEigenvalues[] = {2.2960882, 1.2136310, 0.9969975, 0.6280469, 0.4872470};
const double kOrdinationEigenvalues[] = {2.5578296, 0.8256033, 0.6265628, 0.4318701, 0.1309565};
const double kCumulativeShares[] = {0.559, 0.740, 0.877, 0.971, 1};

// Agreement to the last printed decimal: the value rounds to it.
double halfUnit(int decimals) {
  return 0.5 * std::pow(10.0, -decimals);
}

void expectPublished(const std::vector<CovarianceGroup>& groups, double tolerance) {
  CovarianceInput in = prepareCovarianceInput(groups, {ReductionKind::kTotalComponents, 5});
  ASSERT_EQ(in.groups.size(), 6u);
  ASSERT_EQ(in.groups[0].label, "IKA1");
  ASSERT_EQ(in.groups[5].label, "IKS5");
  EXPECT_EQ(groupSizeText(in.groups[0]), "69 specimens (M 23, F 46)");
  EXPECT_EQ(groupSizeText(in.groups[5]), "75 specimens (F 51, M 24)");

  RelativeEigenOptions options;
  options.pairs = {{0, 5}, {5, 0}};
  RelativeEigenanalysis r = relativeEigenanalysis(in, options);
  const RelativeEigenPair& a = r.pairs[0];
  for (int i = 0; i < 5; ++i) {
    EXPECT_NEAR(a.eigenvalues(i), kRelativeEigenvalues[i], tolerance + halfUnit(7)) << i;
  }
  EXPECT_NEAR(a.generalizedVarianceRatio, 0.8501793, tolerance + halfUnit(7));
  EXPECT_NEAR(r.pairs[1].generalizedVarianceRatio, 1.176222, tolerance + halfUnit(6));
  EXPECT_DOUBLE_EQ(a.proportionality.n, 2.0 / (1.0 / 69 + 1.0 / 75));
  EXPECT_EQ(a.proportionality.df, 14);
  EXPECT_NEAR(a.proportionality.p, 0.01982876, tolerance + halfUnit(8));
  EXPECT_FALSE(a.proportionality.fewSpecimens);

  CovarianceDistances d = covarianceDistances(in);
  ASSERT_EQ(d.ordination.eigenvalues.size(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_NEAR(d.ordination.eigenvalues(i), kOrdinationEigenvalues[i], tolerance + halfUnit(7));
    EXPECT_NEAR(d.ordination.cumulativeShares(i), kCumulativeShares[i], halfUnit(3));
  }
}

TEST(TropheusReference, EveryPrintedDigitFromTheRawLandmarks) {
  expectPublished(testing::tropheusPopulationsFromRawLandmarks(), 0);
}

TEST(TropheusReference, StoredSuperimposedCoordinatesAgreeToTheirPrecision) {
  expectPublished(testing::tropheusPopulations(), 1.5e-7);
}

}  // namespace
}  // namespace vexmoor
