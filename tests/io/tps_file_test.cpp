#include "io/tps_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "io/group_file.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

LandmarkGroup tps(const std::string& text) {
  return parseGroupText(text, "a.tps", "a.tps");
}

TEST(TpsFile, KeywordsInAnyCaseBlankLinesCrlfScaleAndIdentifiers) {
  LandmarkGroup g =
      tps("LM=3\r\n0 0\r\n4 0\r\n0 -3\r\nIMAGE=a1.jpg\r\nID=first\r\nSCALE=0.5\r\n\r\n\r\n"
          "lm=3\r\n1 1\r\n2 2\r\n3 -3\r\nimage=b.jpg\r\nComment=left side damaged\r\nscale=2\r\n"
          "Lm = 3\r\n-1 0\r\n1 0\r\n0 1\r\nSCALE=1\r\n");
  ASSERT_EQ(g.data.rows(), 3);
  ASSERT_EQ(g.data.cols(), 7);
  EXPECT_EQ(g.info.format, GroupFormat::kTps);
  EXPECT_EQ(g.info.dimension, 2);
  // Scaled, then the centroid size of the scaled landmarks.
  EXPECT_EQ(g.data(0, 2), 2.0);
  EXPECT_EQ(g.data(0, 5), -1.5);
  EXPECT_EQ(g.data(1, 5), -6.0);
  double mx = 2.0 / 3, my = -0.5;
  EXPECT_DOUBLE_EQ(g.data(0, 6), std::sqrt(mx * mx + my * my + (2 - mx) * (2 - mx) + my * my +
                                           mx * mx + (-1.5 - my) * (-1.5 - my)));
  EXPECT_EQ(g.info.identifiers, (std::vector<std::string>{"first", "b.jpg", "3"}));
  ASSERT_EQ(g.info.comments.size(), 1u);
  EXPECT_EQ(g.info.comments[0], "specimen 2: left side damaged");
  EXPECT_TRUE(g.info.warnings.empty());
}

TEST(TpsFile, TpsDigCurvesAreSkippedNeverReadAsLandmarks) {
  LandmarkGroup g =
      tps("LM=2\n1 2\n3 4\nCURVES=2\nPOINTS=3\n9 9\n9 9\n9 9\nPOINTS=2\n8 8\n8 8\nIMAGE=x.tif\n"
          "LM=2\n5 6\n7 8\nCURVES=1\nPOINTS=1\n7 7\nID=2\n");
  ASSERT_EQ(g.data.rows(), 2);
  ASSERT_EQ(g.data.cols(), 5);
  EXPECT_EQ(g.data(1, 3), 8.0);
  ASSERT_EQ(g.info.notes.size(), 1u);
  EXPECT_NE(g.info.notes[0].find("curves and outlines skipped (3 in all)"), std::string::npos);
}

TEST(TpsFile, ThreeDimensionalLandmarksAndUnscaledSpecimens) {
  LandmarkGroup g = tps("LM3=2\n1 2 3\n-4 5 6\nSCALE=0.5\nLM3=2\n1 1 1\n2 2 2\n");
  EXPECT_EQ(g.info.dimension, 3);
  EXPECT_EQ(g.data.cols(), 7);
  EXPECT_EQ(g.data(0, 3), -2.0);
  ASSERT_EQ(g.info.warnings.size(), 1u);
  EXPECT_EQ(g.info.warnings[0],
            "specimen 2 without SCALE= while others have one: coordinates taken as they stand");
}

TEST(TpsFile, MalformedFilesNameFileLineAndSpecimen) {
  const std::string good = "LM=2\n1 2\n3 4\n";
  EXPECT_EQ(errorMessage([&] { tps(good + "SCALE=\n"); }),
            "file \"a.tps\", line 4 (specimen 1): SCALE= has no value; it must be a positive "
            "number");
  EXPECT_EQ(errorMessage([&] { tps(good + "SCALE=-0.1\n"); }),
            "file \"a.tps\", line 4 (specimen 1): SCALE= must be a positive number; \"-0.1\" is "
            "not one");
  EXPECT_EQ(errorMessage([&] { tps(good + "LM=2\n1 2\nID=b\n"); }),
            "file \"a.tps\", line 6 (specimen 2): a coordinate line is missing: LM=2 on line 4 "
            "announces 2, 1 come before this line");
  EXPECT_EQ(errorMessage([&] { tps(good + "LM=2\n1 2\n"); }),
            "file \"a.tps\", specimen 2: a coordinate line is missing: LM=2 on line 4 announces 2, "
            "the file ends after 1");
  EXPECT_EQ(errorMessage([&] { tps(good + "LM=2\n1 2\n3 4mm\n"); }),
            "file \"a.tps\", line 6 (specimen 2): \"4mm\" is not a number");
  EXPECT_EQ(errorMessage([&] { tps(good + "LM=2\n1 2\n3 4 5\n"); }),
            "file \"a.tps\", line 6 (specimen 2): 3 numbers where a coordinate line of LM= has 2");
  EXPECT_EQ(errorMessage([&] { tps(good + "LM=3\n1 2\n3 4\n5 6\n"); }),
            "file \"a.tps\", line 4 (specimen 2): LM=3 where specimen 1 has LM=2; all specimens "
            "must have the same landmarks");
  EXPECT_EQ(errorMessage([&] { tps(good + "5 6\n"); }),
            "file \"a.tps\", line 4 (specimen 1): \"5 6\" is neither a keyword line nor one of the "
            "2 coordinate lines that LM= on line 1 announces");
  // Control bytes of a bad token are shown escaped.
  EXPECT_EQ(errorMessage([&] { tps("LM=1\n1 2\x01\x1b[2J\n"); }),
            "file \"a.tps\", line 2 (specimen 1): \"2\\x01\\x1b[2J\" is not a number");
}

}  // namespace
}  // namespace vexmoor
