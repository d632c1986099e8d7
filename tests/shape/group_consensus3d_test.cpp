#include "shape/group_consensus3d.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "io/landmark_file.h"
#include "shape/centroid.h"
#include "shape/threed_test_support.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using ::testing::HasSubstr;

TEST(GroupConsensus3D, MacaqueConsensusIsCentredScaledAndInPrincipalAxes) {
  Matrix data = readLandmarkFile(VEXMOOR_EXAMPLES "/macaque/macf.txt");
  Matrix reference = groupConsensus3D(data);
  ASSERT_EQ(reference.rows(), 7);
  ASSERT_EQ(reference.cols(), 3);
  EXPECT_LT(reference.colwise().mean().norm(), 1e-12);
  EXPECT_NEAR(centsize3Da(reference), 1.0, 1e-12);
  Matrix moments = reference.transpose() * reference;
  EXPECT_LT(std::abs(moments(0, 1)) + std::abs(moments(0, 2)) + std::abs(moments(1, 2)), 1e-12);
  EXPECT_LT(moments(0, 0), moments(2, 2));
}

TEST(GroupConsensus3D, RejectsGroupsWithoutAShapeOrWithStrayColumns) {
  Matrix data = readLandmarkFile(VEXMOOR_EXAMPLES "/macaque/macm.txt");
  Matrix stray = data.leftCols(21);  // the last landmark's z is the last column
  EXPECT_THAT(errorMessage([&] { groupConsensus3D(stray); }),
              HasSubstr("the specimens have 21 values each; three-dimensional data need 3k + 1"));
  data.row(4).head(21).setConstant(50.0);
  EXPECT_EQ(errorMessage([&] { groupConsensus3D(data); }),
            "specimen 5: all its landmarks coincide (centroid size 0), so it cannot be scaled");
}

TEST(ThreeDimensionalSummary, ReportsSamplesAndLandmarks) {
  EXPECT_EQ(threeDimensionalSummary("a.txt", 20, 25),
            "File a.txt \n   20 3D Samples \n    8 landmarks");
  EXPECT_EQ(threeDimensionalSummary("macf.txt", 9, 22),
            "File macf.txt \n    9 3D Samples \n    7 landmarks");
}

}  // namespace
}  // namespace vexmoor
