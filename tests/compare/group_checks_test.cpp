#include "compare/group_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "compare/analysis_input.h"
#include "compare_fixtures.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using testing::gorillaFemales;
using testing::gorillaMales;

const char* const kNoVariation1 = "group 1 has no shape variation";

std::string prepared(const Matrix& a, const Matrix& b, bool partialWarps, const char* k,
                     ComponentsText c = ComponentsText::kRead) {
  AnalysisSettings s;
  s.partialWarps = partialWarps;
  s.componentsText = k;
  return errorMessage(
      [&] { prepareAnalysis(&a, &b, s, ConsensusRounding::kNone, c, silentHost()); });
}

// Copies of specimen 1 of `data`, copy c turned by 0.5·c radians, scaled by
// 1 + c and moved: the same shape every time.
Matrix turnedCopies(const Matrix& data, int copies) {
  Matrix out(copies, data.cols());
  for (int c = 0; c < copies; ++c) {
    double a = 0.5 * c, s = 1 + c;
    for (Index j = 0; j + 1 < data.cols(); j += 2) {
      double x = data(0, j), y = data(0, j + 1);
      out(c, j) = s * (std::cos(a) * x - std::sin(a) * y) + 10 * c;
      out(c, j + 1) = s * (std::sin(a) * x + std::cos(a) * y) - 3 * c;
    }
    out(c, data.cols() - 1) = data(0, data.cols() - 1);
  }
  return out;
}

TEST(GroupChecks, IdenticalSpecimensHaveNoShapeVariation) {
  Matrix f = gorillaFemales(), m = gorillaMales();
  Matrix copies = f.row(0).replicate(6, 1);
  EXPECT_EQ(prepared(copies, m, true, "2").rfind(kNoVariation1, 0), 0u);
  EXPECT_EQ(prepared(copies, m, false, "2").rfind(kNoVariation1, 0), 0u);
  EXPECT_EQ(prepared(copies, m, true, "", ComponentsText::kIgnore).rfind(kNoVariation1, 0), 0u);
  // The same shape turned and scaled leaves only rounding noise.
  EXPECT_EQ(prepared(f, turnedCopies(m, 6), true, "2").rfind("group 2 has no shape variation", 0),
            0u);
  // Real groups pass, and so does a group of two specimens for one component.
  EXPECT_EQ(prepared(f, m, true, "12"), "<no error>");
  EXPECT_EQ(prepared(f.topRows(2), m, true, "1"), "<no error>");
  EXPECT_EQ(prepared(f.topRows(3), m, true, "3"),
            "group 1: its covariance matrix has 2 independent directions, fewer than the 3 "
            "components asked for");
}

TEST(GroupChecks, CovarianceRankCountsIndependentDirections) {
  Matrix x(4, 3);
  x << 1, 2, 0, 2, 4, 0, 3, 6, 0, 5, 10, 0;
  EXPECT_EQ(covarianceRank(x, 1.0), 1);
  x.col(2) << 0, 1, 0, 0;
  EXPECT_EQ(covarianceRank(x, 1.0), 2);
  EXPECT_EQ(covarianceRank(Matrix::Constant(5, 3, 0.25), 1.0), 0);
  EXPECT_EQ(covarianceRank(x.topRows(1), 1.0), 0);
}

TEST(GroupChecks, CoordinatesTooSmallOrLargeNameGroupAndSpecimen) {
  Matrix f = gorillaFemales(), m = gorillaMales();
  Matrix tiny = m, huge = m;
  tiny.leftCols(m.cols() - 1) *= 1e-302;
  huge.leftCols(m.cols() - 1) *= 1e298;
  for (bool pw : {true, false}) {
    EXPECT_EQ(prepared(f, tiny, pw, "2")
                  .rfind("group 2, specimen 1: the coordinates are too small to compute with", 0),
              0u);
    EXPECT_EQ(prepared(huge, m, pw, "2")
                  .rfind("group 1, specimen 1: the coordinates are too large to compute with", 0),
              0u);
  }
  // Small and large but computable values, and a huge trailing value, pass.
  Matrix small = m, large = m;
  small.leftCols(m.cols() - 1) *= 1e-100;
  large.leftCols(m.cols() - 1) *= 1e100;
  large.col(m.cols() - 1).setConstant(1e300);
  EXPECT_EQ(prepared(f, small, true, "2"), "<no error>");
  EXPECT_EQ(prepared(f, large, true, "2"), "<no error>");
}

}  // namespace
}  // namespace vexmoor
