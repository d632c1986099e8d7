#include "cpc/model_hierarchy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analyses/analysis_actions.h"
#include "compare/analysis_input.h"
#include "compare/principal_axes.h"
#include "cpc_test_support.h"
#include "io/landmark_file.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

using ::testing::HasSubstr;
using testing::randomOrthogonal;
using testing::RecordingHost;
using testing::sampleCovariance;
using testing::vec;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    size_t end = text.find('\n', start);
    out.push_back(text.substr(start, end - start));
    if (end == std::string::npos) {
      return out;
    }
    start = end + 1;
  }
}

// Two sample covariance matrices of p variables with partly shared axes.
struct SamplePair {
  Matrix s1, s2;
  double n1, n2;
};

SamplePair samplePair(Index p, unsigned seed) {
  Matrix q = randomOrthogonal(p, seed);
  Vector v1 = Vector::LinSpaced(p, 4.0, 0.5);
  Vector v2 = Vector::LinSpaced(p, 1.0, 3.0);
  return {sampleCovariance(q * v1.asDiagonal() * q.transpose(), 40, seed + 1),
          sampleCovariance(q * v2.asDiagonal() * q.transpose(), 33, seed + 2), 40, 33};
}

TEST(FluryAic, IdenticalDiagonalMatricesGiveTheKnownTable) {
  Matrix s = vec({1.0, 2.0, 3.0}).asDiagonal();
  EXPECT_EQ(flury_aic(s, s, 10, 10),
            "Results of CPC Analysis\n"
            " Model                            LL       Param   AIC      AIC Wt\n"
            " 1.) Equal Variance:              -35.835 6    83.670    0.695187\n"
            " 2.) Proportional Variance:       -35.835 7    85.670    0.255745\n"
            " 3.) Common Principal Components: -35.835 9    89.670    0.034611\n"
            " 4.) Partial Common Principle Components\n"
            "     1 CPC:                       -35.835 10    91.670   0.012733\n"
            " 5.) Independent Variance:        -35.835 12    95.670    0.001723");
}

TEST(FluryAic, ParameterCountsFollowTheModels) {
  SamplePair three = samplePair(3, 1);
  ModelHierarchy h3 = fitModelHierarchy(three.s1, three.s2, three.n1, three.n2);
  EXPECT_EQ(h3.identical.param, 6);
  EXPECT_EQ(h3.prop.param, 7);
  EXPECT_EQ(h3.cpc.param, 9);
  ASSERT_EQ(h3.partial.size(), 1u);
  EXPECT_EQ(h3.partial[0].param, 10);
  EXPECT_EQ(h3.indep.param, 12);

  SamplePair four = samplePair(4, 2);
  ModelHierarchy h4 = fitModelHierarchy(four.s1, four.s2, four.n1, four.n2);
  EXPECT_EQ(h4.identical.param, 10);
  EXPECT_EQ(h4.prop.param, 11);
  EXPECT_EQ(h4.cpc.param, 14);
  ASSERT_EQ(h4.partial.size(), 2u);
  EXPECT_EQ(h4.partial[0].param, 17);
  EXPECT_EQ(h4.partial[1].param, 15);
  EXPECT_EQ(h4.indep.param, 20);
  EXPECT_EQ(h4.aicWeight.size(), 6);
}

TEST(FluryAic, WeightsFavourTheSmallestAicAndRowsKeepTheirOrder) {
  // Unrelated matrices: the independent model wins, yet its row comes last.
  Matrix s1 = sampleCovariance(vec({5.0, 1.0, 0.2, 2.0}).asDiagonal(), 200, 3);
  Matrix q = randomOrthogonal(4, 4);
  Matrix s2 = sampleCovariance(q * vec({0.1, 3.0, 1.0, 6.0}).asDiagonal() * q.transpose(), 200, 5);
  ModelHierarchy h = fitModelHierarchy(s1, s2, 200, 200);
  EXPECT_NEAR(h.aicWeight.sum(), 1.0, 1e-15);
  Index best;
  h.aicWeight.maxCoeff(&best);
  EXPECT_EQ(best, 3);  // the independent model's weight is the fourth entry
  EXPECT_LT(h.indep.aic, h.cpc.aic);
  std::vector<std::string> rows = lines(modelHierarchyText(h));
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_THAT(rows[2], HasSubstr(" 1.) Equal"));
  EXPECT_THAT(rows[5], HasSubstr(" 4.) Partial"));
  EXPECT_THAT(rows[6], HasSubstr("     1 CPC:"));
  EXPECT_THAT(rows[7], HasSubstr("     2 CPC:"));
  EXPECT_THAT(rows[8], HasSubstr(" 5.) Independent"));
}

TEST(FluryAic, TwoVariablesGiveNoPartialModelAndNoFailure) {
  SamplePair two = samplePair(2, 6);
  RecordingHost host;
  std::vector<std::string> rows = lines(flury_aic(two.s1, two.s2, two.n1, two.n2, host));
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[5], " 4.) Partial Common Principle Components");
  EXPECT_THAT(rows[6], HasSubstr(" 5.) Independent Variance:"));
  EXPECT_EQ(host.waits, 0);
  EXPECT_THAT(host.console, HasSubstr("flury_list ="));
  EXPECT_THAT(host.console, HasSubstr("stemp1 ="));
  EXPECT_THAT(host.console, ::testing::Not(HasSubstr("LLIST")));
  EXPECT_THAT(host.console, ::testing::Not(HasSubstr("L1est")));
}

TEST(FluryAic, ConsoleDiagnosticsComeInOrderWithOneKeyWaitPerPartialModel) {
  SamplePair four = samplePair(4, 7);
  RecordingHost host;
  flury_aic(four.s1, four.s2, four.n1, four.n2, host);
  EXPECT_EQ(host.waits, 2);
  std::vector<std::string> expected = {
      "L1est =",      "L2est =", "s1_pcpc =", "s2_pcpc =", "Bg1 =", "<key>",
      "L1est =",      "L2est =", "s1_pcpc =", "s2_pcpc =", "Bg1 =", "<key>",
      "flury_list =", "LLIST =", "ans =",     "ans =",     "ans =", "stemp1 ="};
  size_t at = 0;
  for (const std::string& name : expected) {
    size_t found = host.console.find(name, at);
    ASSERT_NE(found, std::string::npos) << name << " after position " << at;
    at = found + name.size();
  }
  EXPECT_EQ(host.console.find("ans =", at), std::string::npos);
}

TEST(FluryAic, IterationBoundsAreReportedBelowTheTable) {
  SamplePair five = samplePair(5, 8);
  CpcLimits limits;
  limits.maxSweeps = 1;
  limits.maxProportionalIterations = 1;
  RecordingHost host;
  std::vector<std::string> rows = lines(
      modelHierarchyText(fitModelHierarchy(five.s1, five.s2, five.n1, five.n2, host, limits)));
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_THAT(rows[9], HasSubstr(" 5.) Independent"));
  EXPECT_EQ(rows[10],
            "Note: the common principal components did not settle within 1 sweeps; models 3 and "
            "4 use the last estimate.");
  EXPECT_EQ(rows[11],
            "Note: the proportional model did not settle within 1 iterations; model 2 uses the "
            "last estimate.");
  EXPECT_THAT(host.console, HasSubstr("warning =\n\nNote: the common principal"));
  EXPECT_THAT(host.console, HasSubstr("warning =\n\nNote: the proportional model"));
}

TEST(FluryAic, SingularMatricesPrintWhatTheyGiveWithANote) {
  // Three specimens for five variables: both matrices are singular.
  Matrix s1 = sampleCovariance(Matrix::Identity(5, 5), 3, 9);
  Matrix s2 = sampleCovariance(Matrix::Identity(5, 5), 3, 10);
  std::vector<std::string> rows = lines(flury_aic(s1, s2, 3, 3));
  ASSERT_GE(rows.size(), 12u);
  EXPECT_THAT(rows[9], HasSubstr(" 5.) Independent Variance:"));
  EXPECT_EQ(rows.back(),
            "Note: group 2 has 3 specimens for 5 variables, so its covariance matrix is singular "
            "and the log-likelihoods, AICs and weights are not meaningful.");
  EXPECT_THAT(rows[rows.size() - 2], HasSubstr("group 1 has 3 specimens for 5 variables"));

  // An exactly singular matrix without a constant variable.
  Matrix v(3, 2);
  v << 1, 0, 1, 1, 0, 1;
  Matrix rankTwo = v * v.transpose();
  std::string text = flury_aic(rankTwo, Matrix::Identity(3, 3), 10, 10);
  EXPECT_THAT(text, HasSubstr(" 5.) Independent Variance:         Inf 12    -Inf    NaN"));
  EXPECT_THAT(text, HasSubstr("Note: a covariance estimate is singular"));
}

// The shape variables of the bundled gorilla skulls (12 variables).
AnalysisInput gorillaInput(bool partialWarps) {
  static const Matrix females = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt");
  static const Matrix males = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt");
  AnalysisSettings settings;
  settings.partialWarps = partialWarps;
  return prepareAnalysis(&females, &males, settings, ConsensusRounding::kFourDecimals,
                         ComponentsText::kIgnore, silentHost());
}

// Each model is a special case of the next, so at the maximum the
// log-likelihoods can only grow along the hierarchy.
TEST(FluryAic, LogLikelihoodsGrowAlongTheNestedModelsOnRealData) {
  AnalysisInput in = gorillaInput(true);
  ModelHierarchy h = fitModelHierarchy(covariance(in.x1), covariance(in.x2),
                                       static_cast<double>(in.m1), static_cast<double>(in.m2));
  ASSERT_EQ(h.p, 12);
  ASSERT_TRUE(h.notices.empty());
  const double slack = 1e-9;
  EXPECT_LE(h.identical.ll, h.prop.ll + slack);
  EXPECT_LE(h.prop.ll, h.cpc.ll + slack);
  double previous = h.cpc.ll;
  for (auto j = h.partial.rbegin(); j != h.partial.rend(); ++j) {
    EXPECT_LE(previous, j->ll + slack);
    previous = j->ll;
  }
  EXPECT_LE(previous, h.indep.ll + slack);
}

TEST(RunCpc, NamesAConstantRawCoordinateAndTheGroups) {
  // The gorilla data fix landmark 3 at the origin.
  AnalysisInput in = gorillaInput(false);
  EXPECT_THAT([&] { runCpcText(in, silentHost()); },
              ::testing::ThrowsMessage<Error>(
                  HasSubstr("the x coordinate of landmark 3 (column 5 of the landmark data) has "
                            "zero variance in both groups")));
}

TEST(RunCpc, TheActionNeedsNoComponentCountAndRoundsTheConsensus) {
  Matrix females = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt");
  Matrix males = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt");
  AnalysisRequest request;
  request.data1 = &females;
  request.data2 = &males;
  request.settings.componentsText = "";
  const AnalysisAction* action = findAnalysisAction("RunCPC");
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->run(request, silentHost()).text, runCpcText(gorillaInput(true), silentHost()));
}

TEST(RunCpc, ThreeLandmarksGiveTwoVariablesAndNoPartialModel) {
  // Landmarks 1, 2 and 4 of the gorilla skulls, with the trailing value.
  auto firstLandmarks = [](const Matrix& data) {
    Matrix out(data.rows(), 7);
    out << data.leftCols(4), data.middleCols(6, 2), data.rightCols(1);
    return out;
  };
  Matrix females = firstLandmarks(readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt"));
  Matrix males = firstLandmarks(readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt"));
  AnalysisInput in =
      prepareAnalysis(&females, &males, AnalysisSettings{}, ConsensusRounding::kFourDecimals,
                      ComponentsText::kIgnore, silentHost());
  ASSERT_EQ(in.x1.cols(), 2);
  RecordingHost host;
  std::vector<std::string> rows = lines(runCpcText(in, host));
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[5], " 4.) Partial Common Principle Components");
  EXPECT_THAT(rows[6], HasSubstr(" 5.) Independent Variance:"));
  EXPECT_EQ(host.waits, 0);
}

// The figures agree with an independent fit of the models
// (tools/crosscheck/cpc_crosscheck.py).
TEST(RunCpc, ReportsTheGorillaHierarchy) {
  std::vector<std::string> rows = lines(runCpcText(gorillaInput(true), silentHost()));
  ASSERT_EQ(rows.size(), 17u);
  EXPECT_EQ(rows[0], "Results of CPC Analysis");
  EXPECT_EQ(rows[6], "     1 CPC:                       6536.316 145    -12782.631   0.000002");
  EXPECT_EQ(rows[15], "     10 CPC:                       6494.414 91    -12806.829   0.287385");
}

}  // namespace
}  // namespace vexmoor
