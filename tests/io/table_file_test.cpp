#include "io/table_file.h"

#include <gtest/gtest.h>

#include <string>

#include "io/coordinate_columns.h"
#include "io/group_file.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

LandmarkGroup table(const std::string& text) {
  return parseGroupText(text, "t.csv", "t.csv");
}

// Two triangles, as a plain file holds them with their centroid sizes.
Matrix triangles() {
  return parseGroupText("0 0 4 0 0 3 0\n1 1 5 1 1 4 0\n", "p", "").data.leftCols(6);
}

TEST(TableFile, HeaderAndIdentifierColumnInEverySeparatorQuotingAndLineEnd) {
  for (const std::string& text : {
           std::string("specimen,x1,y1,x2,y2,x3,y3\nA,0,0,4,0,0,3\nB,1,1,5,1,1,4\n"),
           std::string("\xEF\xBB\xBF\"id\",\"x1\",\"y1\",\"x2\",\"y2\",\"x3\",\"y3\"\r\n"
                       "\"A\",0,0,4,0,0,3\r\n\"B\",1,1,5,1,1,4\r\n\r\n,,,,,,\r\n"),
           std::string(
               "name\tX_1\tY_1\tX_2\tY_2\tX_3\tY_3\nA\t0\t0\t4\t0\t0\t3\nB\t1\t1\t5\t1\t1\t4\n"),
           std::string(
               "ID;lm1_x;lm1_y;lm2_x;lm2_y;lm3_x;lm3_y\nA;0,0;0;4;0;0;3\nB;1;1;5;1;1;4,0\n"),
           // Axis blocks are put into landmark order.
           std::string(
               "\"\" \"1x\" \"2x\" \"3x\" \"1y\" \"2y\" \"3y\"\nA 0 4 0 0 0 3\nB 1 5 1 1 1 4\n"),
       }) {
    LandmarkGroup g = table(text);
    EXPECT_EQ(g.info.format, GroupFormat::kTable) << text;
    EXPECT_EQ(g.info.kind, RowKind::kLandmarks) << text;
    EXPECT_EQ(g.info.dimension, 2) << text;
    EXPECT_EQ(g.info.identifiers, (std::vector<std::string>{"A", "B"})) << text;
    ASSERT_EQ(g.data.cols(), 7) << text;
    EXPECT_EQ(g.data.leftCols(6), triangles()) << text;
    EXPECT_DOUBLE_EQ(g.data(0, 6), std::sqrt(16.0 / 9 + 1 + 64.0 / 9 + 1 + 16.0 / 9 + 4)) << text;
  }
}

TEST(TableFile, CoordinateNamesInTwoAndThreeDimensions) {
  for (const char* name : {"x1", "X12", "x_1", "y.3", "z-2", "1x", "1_X", "lm1_x", "LM_1_Y",
                           "landmark7z", "p1.y", "x_lm1"}) {
    EXPECT_TRUE(coordinateName(name)) << name;
  }
  for (const char* name : {"x", "length", "xy1", "pc1", "1", "cs", "sex"}) {
    EXPECT_FALSE(coordinateName(name)) << name;
  }
  LandmarkGroup g = table("x1,y1,z1,x2,y2,z2,CS\n0,0,0,1,0,0,7\n0,0,0,0,2,0,8\n");
  EXPECT_EQ(g.info.dimension, 3);
  EXPECT_EQ(g.data(1, 6), 8.0);  // the file's own trailing value
}

TEST(TableFile, OtherHeadersMakeATableOfVariables) {
  LandmarkGroup g =
      table("specimen,sex,skull,humerus,femur,tibia\nM1,m,80.5,61,70,66\nM2,f,79,60,69,65\n");
  EXPECT_EQ(g.info.kind, RowKind::kVariables);
  EXPECT_FALSE(g.info.dimension);
  ASSERT_EQ(g.data.cols(), 4);
  EXPECT_EQ(g.data(0, 0), 80.5);
  EXPECT_EQ(g.info.identifiers, (std::vector<std::string>{"M1", "M2"}));
  ASSERT_EQ(g.info.warnings.size(), 1u);
  EXPECT_EQ(g.info.warnings[0], "text column \"sex\" skipped");
  // Numbers without a header: as a plain file's, identifiers aside.
  LandmarkGroup plain = table("a;1;2;3\nb;4;5;6\n");
  EXPECT_EQ(plain.info.kind, RowKind::kUnstated);
  EXPECT_EQ(plain.data.cols(), 3);
}

TEST(TableFile, MalformedTablesNameFileLineAndColumn) {
  EXPECT_EQ(errorMessage([] { table("id,a,b\nA,1,2\nB,3\n"); }),
            "file \"t.csv\", line 3: 2 fields where the header has 3");
  EXPECT_EQ(errorMessage([] { table("id,a,b\nA,1,2\nB,3,NA\n"); }),
            "file \"t.csv\": 1 specimen has missing values (specimen 2 (\"B\"): variable 2); the "
            "analyses need complete specimens: drop-incomplete leaves these out");
  EXPECT_EQ(errorMessage([] { table("id,a,b\nA,1,2\nB,3,4..5\n"); }),
            "file \"t.csv\", line 3 (specimen \"B\"), column \"b\": \"4..5\" is not a number");
  EXPECT_EQ(errorMessage([] { table("x1,y1,x2\n1,2,3\n"); }),
            "file \"t.csv\", line 1 (the header): column \"x2\" names landmark 2, but no column "
            "holds its y coordinate");
  EXPECT_EQ(errorMessage([] { table("id,\"x1,y1\n"); }),
            "file \"t.csv\", line 1: a quoted field has no closing quote");
}

}  // namespace
}  // namespace vexmoor
