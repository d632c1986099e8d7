// Flury's hierarchy for more than two groups: what can be checked without
// the implementation (closed forms, stationarity, nesting, permutations).
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "compare/analysis_input.h"
#include "compare/principal_axes.h"
#include "cpc/flury_cpc.h"
#include "cpc/model_hierarchy.h"
#include "cpc/model_numerics.h"
#include "cpc_test_support.h"
#include "io/landmark_file.h"

namespace vexmoor {
namespace {

using testing::randomOrthogonal;
using testing::sampleCovariance;

struct Groups {
  std::vector<Matrix> s;
  std::vector<double> n;
};

// k groups sharing their principal axes Q, each with its own variances, so
// the common-components model holds in the population.
Groups commonAxesGroups(Index p, size_t k, unsigned seed) {
  Matrix q = randomOrthogonal(p, seed);
  Groups g;
  for (size_t i = 0; i < k; ++i) {
    Vector v =
        Vector::LinSpaced(p, 1.0 + static_cast<double>(i), 0.2 + 0.3 * static_cast<double>(i));
    Index size = 40 + 7 * static_cast<Index>(i);
    g.s.push_back(sampleCovariance(q * v.asDiagonal() * q.transpose(), size,
                                   seed + 10 * static_cast<unsigned>(i + 1)));
    g.n.push_back(static_cast<double>(size));
  }
  return g;
}

// Four real groups: the gorilla females and males, each split into its first
// and second half, in the pooled frame of both sexes.
Groups gorillaHalves() {
  Matrix females = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt");
  Matrix males = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt");
  AnalysisInput in =
      prepareAnalysis(&females, &males, AnalysisSettings{}, ConsensusRounding::kFourDecimals,
                      ComponentsText::kIgnore, silentHost());
  Groups g;
  for (const Matrix* x : {&in.x1, &in.x2}) {
    Index half = x->rows() / 2;
    g.s.push_back(covariance(x->topRows(half)));
    g.n.push_back(static_cast<double>(half));
    g.s.push_back(covariance(x->bottomRows(x->rows() - half)));
    g.n.push_back(static_cast<double>(x->rows() - half));
  }
  return g;
}

// The largest F-G stationarity residual of the common axes B, relative to
// the size of its terms: for every pair l ≠ j,
// b_l'·(Σg ng·(λgl − λgj)/(λgl·λgj)·Sg)·b_j = 0.
double stationarityResidual(const Matrix& B, const Groups& g) {
  const Index p = B.rows();
  std::vector<Vector> lambda;
  for (const Matrix& s : g.s) {
    lambda.push_back((B.transpose() * s * B).diagonal());
  }
  double worst = 0;
  for (Index l = 0; l < p; ++l) {
    for (Index j = l + 1; j < p; ++j) {
      double sum = 0, scale = 0;
      for (size_t i = 0; i < g.s.size(); ++i) {
        double w = g.n[i] * (lambda[i](l) - lambda[i](j)) / (lambda[i](l) * lambda[i](j));
        double term = w * B.col(l).dot(g.s[i] * B.col(j));
        sum += term;
        scale += std::abs(g.n[i]) * std::abs(lambda[i](l) - lambda[i](j)) /
                 std::sqrt(lambda[i](l) * lambda[i](j));
      }
      worst = std::max(worst, std::abs(sum) / std::max(scale, 1e-300));
    }
  }
  return worst;
}

void expectInvariants(const Groups& g) {
  ModelHierarchy h = fitModelHierarchy(g.s, g.n);
  const double total = std::accumulate(g.n.begin(), g.n.end(), 0.0);
  Matrix pooled = Matrix::Zero(g.s[0].rows(), g.s[0].cols());
  double unrelated = 0;
  for (size_t i = 0; i < g.s.size(); ++i) {
    pooled += g.n[i] * g.s[i] / total;
    unrelated -= g.n[i] * std::log(g.s[i].determinant());
  }
  const double tol = 1e-9 * std::abs(h.indep.ll);
  EXPECT_NEAR(h.identical.ll, -total * std::log(pooled.determinant()), tol);
  EXPECT_NEAR(h.indep.ll, unrelated, tol);
  EXPECT_LE(h.identical.ll, h.prop.ll + tol);
  EXPECT_LE(h.prop.ll, h.cpc.ll + tol);
  EXPECT_LE(h.cpc.ll, h.indep.ll + tol);
  for (const ModelFit& f : h.partial) {
    EXPECT_LE(h.cpc.ll, f.ll + tol);
    EXPECT_LE(f.ll, h.indep.ll + tol);
  }
  EXPECT_NEAR(h.aicWeight.sum(), 1.0, 1e-12);
  EXPECT_TRUE(h.notices.empty());

  CommonComponents cpc = fluryCommonComponents(g.s, g.n);
  EXPECT_TRUE(cpc.settled);
  EXPECT_LT(testing::orthogonalityError(cpc.B), 1e-12);
  EXPECT_LT(stationarityResidual(cpc.B, g), 1e-8);
}

TEST(KGroupHierarchy, SyntheticGroupsWithCommonAxesSatisfyTheInvariants) {
  expectInvariants(commonAxesGroups(6, 5, 21));
}

TEST(KGroupHierarchy, FourRealGroupsSatisfyTheInvariants) {
  expectInvariants(gorillaHalves());
}

TEST(KGroupHierarchy, ParameterCountsGrowWithTheGroups) {
  Groups g = commonAxesGroups(3, 3, 5);
  ModelHierarchy h = fitModelHierarchy(g.s, g.n);
  EXPECT_EQ(h.identical.param, 6);
  EXPECT_EQ(h.prop.param, 8);
  EXPECT_EQ(h.cpc.param, 12);
  ASSERT_EQ(h.partial.size(), 1u);
  EXPECT_EQ(h.partial[0].param, 14);
  EXPECT_EQ(h.indep.param, 18);
  EXPECT_EQ(h.proportionality.size(), 3);
  EXPECT_EQ(h.proportionality(0), 1.0);
}

TEST(KGroupHierarchy, PermutingTheGroupsChangesNoNumber) {
  Groups g = gorillaHalves();
  Groups turned{{g.s[2], g.s[0], g.s[3], g.s[1]}, {g.n[2], g.n[0], g.n[3], g.n[1]}};
  ModelHierarchy a = fitModelHierarchy(g.s, g.n);
  ModelHierarchy b = fitModelHierarchy(turned.s, turned.n);
  EXPECT_EQ(modelHierarchyText(a), modelHierarchyText(b));
  const double tol = 1e-9 * std::abs(a.indep.ll);
  EXPECT_NEAR(a.prop.ll, b.prop.ll, tol);
  EXPECT_NEAR(a.cpc.ll, b.cpc.ll, tol);
  for (size_t j = 0; j < a.partial.size(); ++j) {
    EXPECT_NEAR(a.partial[j].ll, b.partial[j].ll, tol) << "partial model " << j + 1;
  }
}

TEST(KGroupHierarchy, ProportionalGroupsGiveTheirConstants) {
  Matrix base = sampleCovariance(Vector::LinSpaced(4, 3.0, 0.5).asDiagonal(), 50, 3);
  std::vector<Matrix> s = {base, 2.0 * base, 0.25 * base};
  ModelHierarchy h = fitModelHierarchy(s, {50, 50, 50});
  EXPECT_NEAR(h.proportionality(1), 2.0, 1e-9);
  EXPECT_NEAR(h.proportionality(2), 0.25, 1e-9);
  EXPECT_NEAR(h.prop.ll, h.indep.ll, 1e-8 * std::abs(h.indep.ll));
}

TEST(KGroupHierarchy, ZeroVarianceNamesTheGroupByItsLabel) {
  Groups g = commonAxesGroups(3, 3, 8);
  g.s[2].row(1).setZero();
  g.s[2].col(1).setZero();
  EXPECT_THROW(
      {
        try {
          fitModelHierarchy(g.s, g.n, silentHost(), {}, {"north", "south", "west"});
        } catch (const std::exception& e) {
          EXPECT_STREQ(e.what(),
                       "variable 2 has zero variance in west (the same value in every "
                       "specimen), so the common principal components cannot be estimated");
          throw;
        }
      },
      std::exception);
}

}  // namespace
}  // namespace vexmoor
