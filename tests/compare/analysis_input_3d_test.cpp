// The three-dimensional path of the analysis preparation and the angle
// between planes on three-dimensional groups. The reference numbers come
// from an independent computation (numpy, written from the definitions).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "analyses/analysis_actions.h"
#include "compare/analysis_input.h"
#include "io/landmark_file.h"
#include "shape/threed_test_support.h"
#include "support/error_message.h"
#include "support/recording_host.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using ::testing::HasSubstr;
using testing::RecordingHost;

Matrix macaques(const char* file) {
  return readLandmarkFile(std::string(VEXMOOR_EXAMPLES "/macaque/") + file);
}

AnalysisSettings threeD(std::string components, bool partialWarps = true) {
  AnalysisSettings s;
  s.threeD = true;
  s.partialWarps = partialWarps;
  s.componentsText = std::move(components);
  return s;
}

class ThreeDimensionalInput : public ::testing::Test {
 protected:
  AnalysisInput prepare(const AnalysisSettings& s) {
    return prepareAnalysis(&female, &male, s, ConsensusRounding::kFourDecimals,
                           ComponentsText::kRead, host);
  }

  Matrix female = macaques("macf.txt");
  Matrix male = macaques("macm.txt");
  RecordingHost host;
};

TEST_F(ThreeDimensionalInput, BothGroupsShareOneFrameWhateverTheSwitch) {
  AnalysisInput on = prepare(threeD("2"));
  EXPECT_EQ(on.m1, 9);
  EXPECT_EQ(on.m2, 9);
  EXPECT_EQ(on.n, 3 * 7 - 7);
  EXPECT_EQ(on.x1.cols(), 13);
  EXPECT_EQ(on.x2.cols(), 13);
  EXPECT_EQ(on.npca, 2);

  AnalysisInput off = prepare(threeD("2", false));
  EXPECT_TRUE(off.pwscore1.isApprox(on.pwscore1));
  EXPECT_TRUE(off.pwscore2.isApprox(on.pwscore2));
}

// Row products do not depend on the signs of eigenvectors, which no
// convention fixes; they pin every score of both groups at once.
TEST_F(ThreeDimensionalInput, ScoresMatchTheIndependentComputation) {
  AnalysisInput in = prepare(threeD("2"));
  Matrix x(18, 13);
  x << in.x1, in.x2;
  Matrix g = x * x.transpose();
  EXPECT_NEAR(g(0, 0), 0.0035842816157511267, 1e-14);
  EXPECT_NEAR(g(0, 9), 0.0014634891025911716, 1e-14);
  EXPECT_NEAR(g(5, 17), -0.0013138323216344164, 1e-14);
  EXPECT_NEAR(g(12, 3), 0.0008952525373368222, 1e-14);
}

TEST_F(ThreeDimensionalInput, AngleBetweenPlanesWithFewerSpecimensThanVariables) {
  AnalysisRequest request;
  request.data1 = &female;
  request.data2 = &male;
  request.settings = threeD("2");
  const AnalysisAction* angle = findAnalysisAction("DoMezeyAngle");
  ASSERT_NE(angle, nullptr);
  EXPECT_EQ(angle->run(request, host).text,
            "Results of the Angle between Planes Calculation\n"
            "The angle between the planes was 92.19, using 2 components\n"
            "Matlab angle 81.45\n"
            "Krzanowskis summed eigenvalue metric:   0.554");
  request.settings = threeD("8");
  EXPECT_EQ(angle->run(request, host).text,
            "Results of the Angle between Planes Calculation\n"
            "The angle between the planes was 121.14, using 8 components\n"
            "Matlab angle 83.80\n"
            "Krzanowskis summed eigenvalue metric:   5.511");
}

TEST_F(ThreeDimensionalInput, NamesTheGroupAndSpecimenWithoutSize) {
  male.row(2).head(21).setConstant(7.0);
  EXPECT_EQ(errorMessage([&] { prepare(threeD("2")); }),
            "group 2, specimen 3: all landmarks coincide (centroid size 0), so the specimen has "
            "no shape");
}

TEST_F(ThreeDimensionalInput, RejectsTooFewLandmarksAndStrayColumns) {
  Matrix female4(9, 13), male4(9, 13);
  female4 << female.leftCols(12), female.rightCols(1);
  male4 << male.leftCols(12), male.rightCols(1);
  EXPECT_EQ(errorMessage([&] {
              prepareAnalysis(&female4, &male4, threeD("2"), ConsensusRounding::kNone,
                              ComponentsText::kRead, host);
            }),
            "the specimens have 4 landmarks; three-dimensional shape variables need at least 5");

  Matrix stray1 = female.leftCols(21), stray2 = male.leftCols(21);
  EXPECT_THAT(errorMessage([&] {
                prepareAnalysis(&stray1, &stray2, threeD("2"), ConsensusRounding::kNone,
                                ComponentsText::kRead, host);
              }),
              HasSubstr("three-dimensional data need 3k + 1"));
}

TEST_F(ThreeDimensionalInput, ConsensusInOnePlaneIsReportedForBothGroups) {
  for (Index j = 2; j < 21; j += 3) {
    female.col(j).setZero();
    male.col(j).setZero();
  }
  EXPECT_THAT(errorMessage([&] { prepare(threeD("2")); }),
              HasSubstr("the consensus of both groups: the landmarks of the reference lie in one "
                        "plane"));
}

}  // namespace
}  // namespace vexmoor
