#include "compare/analysis_input.h"

#include <gtest/gtest.h>

#include <string>

#include "compare_fixtures.h"
#include "runtime/text.h"
#include "shape/consensus2d.h"
#include "shape/partial_warps2d.h"
#include "shape/procrustes2d.h"
#include "support/error_message.h"
#include "support/recording_host.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using testing::gorillaFemales;
using testing::gorillaMales;
using testing::RecordingHost;

AnalysisSettings settings(bool partialWarps, const std::string& k) {
  AnalysisSettings s;
  s.partialWarps = partialWarps;
  s.componentsText = k;
  return s;
}

AnalysisInput prepare(const Matrix& a, const Matrix& b, const AnalysisSettings& s,
                      ConsensusRounding r = ConsensusRounding::kFourDecimals,
                      ComponentsText c = ComponentsText::kRead) {
  return prepareAnalysis(&a, &b, s, r, c, silentHost());
}

Matrix stacked(const Matrix& a, const Matrix& b) {
  Matrix s(a.rows() + b.rows(), a.cols());
  s << a, b;
  return s;
}

TEST(PrepareAnalysis, RawCoordinatesAreTheDataThemselves) {
  Matrix f = gorillaFemales(), m = gorillaMales();
  AnalysisInput in = prepare(f, m, settings(false, "2"));
  EXPECT_EQ(in.x1, f);
  EXPECT_EQ(in.x2, m);
  EXPECT_EQ(in.n, 18);
  EXPECT_EQ(in.pwscore1.col(17), Vector::Ones(30));
  EXPECT_EQ(in.m1, 30);
  EXPECT_EQ(in.m2, 29);
  EXPECT_EQ(in.npca, 2);
  EXPECT_FALSE(in.pwactive);
  EXPECT_EQ(in.source1, f);
  EXPECT_EQ(in.source2, m);
}

TEST(PrepareAnalysis, PartialWarpsOfTheRoundedPooledConsensus) {
  Matrix f = gorillaFemales(), m = gorillaMales();
  AnalysisInput in = prepare(f, m, settings(true, "3"));
  EXPECT_EQ(in.n, 2 * 8 - 3);
  EXPECT_EQ(in.x1.cols(), 12);
  EXPECT_EQ(in.x2.cols(), 12);
  EXPECT_EQ(in.x1.rows(), 30);
  EXPECT_EQ(in.x2.rows(), 29);
  EXPECT_EQ(in.pwscore1.col(12), f.col(16));  // the trailing value rides along

  // The same steps by hand: pooled consensus, four decimals, fit, score.
  RowVector ref = getconsensuspca(stacked(f, m)).reference;
  ref = ref.unaryExpr([](double v) { return roundHalfAway(10000 * v) / 10000; });
  EXPECT_EQ(in.pwscore1, getpwpca(ref, getpsup(f, ref)));
  EXPECT_EQ(in.pwscore2, getpwpca(ref, getpsup(m, ref)));
  EXPECT_EQ(in.source1, in.x1);
  EXPECT_EQ(in.source2, in.x2);
}

TEST(PrepareAnalysis, OnlyTheRoundedConsensusIsRounded) {
  Matrix f = gorillaFemales(), m = gorillaMales();
  AnalysisInput rounded = prepare(f, m, settings(true, "2"), ConsensusRounding::kFourDecimals);
  AnalysisInput exact = prepare(f, m, settings(true, "2"), ConsensusRounding::kNone);
  double difference = (rounded.x1 - exact.x1).cwiseAbs().maxCoeff();
  EXPECT_GT(difference, 0);
  EXPECT_LT(difference, 1e-3);
  RowVector ref = getconsensuspca(stacked(f, m)).reference;
  EXPECT_EQ(exact.pwscore1, getpwpca(ref, getpsup(f, ref)));
}

TEST(PrepareAnalysis, TheComponentsTextIsRoundedHalfAwayFromZero) {
  Matrix f = gorillaFemales(), m = gorillaMales();
  EXPECT_EQ(prepare(f, m, settings(false, "  3.6 ")).npca, 4);
  EXPECT_EQ(prepare(f, m, settings(false, "2.5")).npca, 3);
  EXPECT_EQ(prepare(f, m, settings(false, "1.49")).npca, 1);
  EXPECT_EQ(prepare(f, m, settings(false, "17")).npca, 17);
  EXPECT_EQ(prepare(f, m, settings(false, "junk"), ConsensusRounding::kFourDecimals,
                    ComponentsText::kIgnore)
                .npca,
            0);
}

TEST(PrepareAnalysis, ComponentsThatAreNoUsableCountAreErrors) {
  Matrix f = gorillaFemales(), m = gorillaMales();
  const std::string rule =
      "the number of components must be a number that rounds to a whole number from 1 to 12 (the "
      "number of shape variables); ";
  EXPECT_EQ(errorMessage([&] { prepare(f, m, settings(true, "")); }), rule + "nothing was entered");
  EXPECT_EQ(errorMessage([&] { prepare(f, m, settings(true, "two")); }),
            rule + "\"two\" was entered");
  EXPECT_EQ(errorMessage([&] { prepare(f, m, settings(true, "2 3")); }),
            rule + "\"2 3\" was entered");
  EXPECT_EQ(errorMessage([&] { prepare(f, m, settings(true, "0.4")); }),
            rule + "\"0.4\" was entered, which rounds to 0");
  EXPECT_EQ(errorMessage([&] { prepare(f, m, settings(true, "-2")); }), rule + "it is -2");
  EXPECT_EQ(errorMessage([&] { prepare(f, m, settings(true, "13")); }), rule + "it is 13");
  EXPECT_EQ(errorMessage([&] { prepare(f, m, settings(true, "inf")); }),
            rule + "\"inf\" was entered");
}

TEST(PrepareAnalysis, GroupsMustBeLoadedAndLargeEnough) {
  Matrix f = gorillaFemales();
  AnalysisSettings s = settings(true, "2");
  auto run = [&](const Matrix* a, const Matrix* b) {
    return errorMessage([&] {
      prepareAnalysis(a, b, s, ConsensusRounding::kNone, ComponentsText::kRead, silentHost());
    });
  };
  EXPECT_EQ(run(nullptr, &f), "group 1 is not loaded");
  EXPECT_EQ(run(&f, nullptr), "group 2 is not loaded");
  Matrix one = f.topRows(1);
  EXPECT_EQ(run(&f, &one), "group 2 has 1 specimen; the analyses need at least 2 in each group");
}

TEST(PrepareAnalysis, GroupsWithOtherLandmarksAreErrors) {
  Matrix f = gorillaFemales();
  Matrix fewer(f.rows(), 15);
  fewer << f.leftCols(14), f.col(16);
  for (bool pw : {true, false}) {
    EXPECT_EQ(errorMessage([&] { prepare(f, fewer, settings(pw, "2")); }),
              "the groups do not have the same landmarks: group 1 has 17 values for each specimen, "
              "group 2 has 15");
  }
  Matrix even = f.leftCols(16);
  EXPECT_EQ(errorMessage([&] { prepare(even, even, settings(true, "2")); }),
            "the specimens have 16 values each; two-dimensional data need 2k + 1 (k landmarks and "
            "a trailing value)");
}

TEST(PrepareAnalysis, ASpecimenWithoutSizeIsNamedNeverComputed) {
  Matrix f = gorillaFemales(), m = gorillaMales();
  m.row(4).head(16).setConstant(12.5);
  EXPECT_EQ(errorMessage([&] { prepare(f, m, settings(true, "2")); }),
            "group 2, specimen 5: all landmarks coincide (centroid size 0), so the specimen has no "
            "shape");
  // Raw coordinates need no scaling: the same data are analysed as they are.
  EXPECT_EQ(prepare(f, m, settings(false, "2")).x2, m);
}

TEST(PrepareAnalysis, ThreeDimensionalReplicatesComeFromShapeVariables) {
  // Three-dimensional groups are analysed as shape variables whatever the
  // switch says, so resampling must draw those rows too.
  Matrix a = Matrix::Random(12, 22), b = Matrix::Random(10, 22);
  AnalysisSettings s = settings(false, "2");
  s.threeD = true;
  AnalysisInput in = prepare(a, b, s, ConsensusRounding::kNone);
  EXPECT_FALSE(in.pwactive);
  EXPECT_EQ(in.source1, in.x1);
  EXPECT_EQ(in.source2, in.x2);
  EXPECT_EQ(in.m1, 12);
  EXPECT_EQ(in.m2, 10);
}

}  // namespace
}  // namespace vexmoor
