#include "io/nts_file.h"

#include <gtest/gtest.h>

#include <string>

#include "io/group_file.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

LandmarkGroup nts(const std::string& text, const std::string& name = "a.nts") {
  return parseGroupText(text, name, name);
}

TEST(NtsFile, WrappedNumbersLabelsAndComments) {
  LandmarkGroup g =
      nts("\" two triangles, digitised by hand\n"
          "1 2L 6 0 DIM=2  ' rectangular, row labels\n"
          "left right\n"
          "0 0 4\n0 0 3 1 1 5 1 1\n"
          "4 \" the last\n");
  ASSERT_EQ(g.data.rows(), 2);
  ASSERT_EQ(g.data.cols(), 7);
  EXPECT_EQ(g.info.format, GroupFormat::kNts);
  EXPECT_EQ(g.info.dimension, 2);
  EXPECT_EQ(g.info.identifiers, (std::vector<std::string>{"left", "right"}));
  EXPECT_EQ(g.data(1, 5), 4.0);
  EXPECT_EQ(g.data.leftCols(6), parseGroupText("0 0 4 0 0 3\n1 1 5 1 1 4\n", "p", "").data);
}

TEST(NtsFile, ColumnLabelsOrTheirAbsenceDecideWhatTheRowsAre) {
  LandmarkGroup landmarks = nts("1 2 4L 0\nx1 y1 x2 y2\n0 0 1 0\n0 0 0 1\n");
  EXPECT_EQ(landmarks.info.kind, RowKind::kLandmarks);
  EXPECT_EQ(landmarks.data.cols(), 5);
  LandmarkGroup table = nts("1 2 4 0\n10 11 12 13\n14 15 16 17\n");
  EXPECT_EQ(table.info.kind, RowKind::kVariables);
  EXPECT_EQ(table.data.cols(), 4);
  // The same first line without the extension is a plain file's first row
  // when the next row is as long.
  EXPECT_EQ(parseGroupText("1 2 4 0\n10 11 12 13\n", "b.txt", "b.txt").info.format,
            GroupFormat::kPlain);
}

TEST(NtsFile, DeclaredMissingValuesAreReadUntilOneOccurs) {
  EXPECT_EQ(nts("1 2L 2 1 -999\na b\n1 2\n3 4\n").data.rows(), 2);
  EXPECT_EQ(errorMessage([] { nts("1 2L 2L 1 -999\na b\nlen wid\n1 2\n3 -999\n"); }),
            "file \"a.nts\": 1 specimen has missing values (specimen 2 (\"b\"): variable 2); the "
            "analyses need complete specimens: drop-incomplete leaves these out");
}

TEST(NtsFile, CountsThatDisagreeWithTheNumbersFound) {
  EXPECT_EQ(errorMessage([] { nts("1 2 3 0 DIM=3\n1 2 3\n4 5\n"); }),
            "file \"a.nts\": the parameter line (line 1) announces 2 rows of 3 numbers (6), the "
            "file holds 5");
  EXPECT_EQ(errorMessage([] { nts("1 2 3 0 DIM=3\n1 2 3\n4 5 6\n7\n"); }),
            "file \"a.nts\", line 4: \"7\" is one more than the 2 rows of 3 numbers (6) that the "
            "parameter line (line 1) announces");
  EXPECT_EQ(errorMessage([] { nts("1 3L 2 0\na b\n"); }),
            "file \"a.nts\": the parameter line (line 1) announces 3 row labels, the file ends "
            "after 2");
  EXPECT_EQ(errorMessage([] { nts("1 2 4 0 DIM=3\n1 2 3 4 5 6 7 8\n"); }),
            "file \"a.nts\", line 1: 4 columns do not make landmarks of DIM=3");
}

}  // namespace
}  // namespace vexmoor
