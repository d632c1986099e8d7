#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "api/analysis_run.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

InputGroup exampleGroup(const char* file, const std::string& label) {
  Matrix data = readGroupFile(std::string(VEXMOOR_EXAMPLES "/gorilla/") + file).data;
  return groupFromCoordinates(data.leftCols(data.cols() - 1), 2, {}, label);
}

TEST(RunOutput, GivesTheReplicatesAsColumnsAndTheDocumentAsData) {
  InputGroup f = exampleGroup("gorf.txt", "f"), m = exampleGroup("gorm.txt", "m");
  f.name = "f";
  m.name = "m";
  InputGroup again = f;
  again.name = "f, again";
  RunGroups three = groupsInMemory({f, m, again}, true);
  RunSettings s;
  s.action = "BootConMezeyAngle";
  s.components = "2";
  s.seed = 5;
  std::string streamed;
  runAnalysis(three, s, silentHost(), nullptr, [&](std::string_view rows) { streamed += rows; });
  RunOutput kept = runAnalysis(three, s, silentHost());
  EXPECT_EQ(kept.replicatesCsv(), streamed);
  ReplicateColumns columns = kept.replicateColumns();
  ASSERT_EQ(columns.values.rows(), 300);
  EXPECT_EQ(columns.groupB[299], "f, again");
  EXPECT_EQ(columns.replicate[100], 1);
  EXPECT_EQ(*kept.document, nlohmann::json::parse(kept.json));

  RunOutput two = runAnalysis(groupsInMemory({f, m}, false), s, silentHost());
  EXPECT_TRUE(two.replicateColumns().groupA.empty());
  EXPECT_EQ(two.replicateColumns().values, two.result.resampling->values);
}

TEST(GroupsInMemory, RefusesGroupsThatCannotBeToldApartOrCompared) {
  InputGroup f = exampleGroup("gorf.txt", "f"), m = exampleGroup("gorm.txt", "m");
  f.name = m.name = "same";
  EXPECT_EQ(errorMessage([&] {
              groupsInMemory({f, m}, true);
            }),
            "groups 1 and 2 are both named \"same\"; every group needs its own name");
  EXPECT_NO_THROW(groupsInMemory({f, m}, false));  // two unnamed groups drop their names
  Matrix seven = readGroupFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt").data.leftCols(14);
  EXPECT_EQ(errorMessage([&] {
              groupsInMemory({f, groupFromCoordinates(seven, 2, {}, "seven")}, false);
            }),
            "group \"seven\" holds 7 landmarks, group \"f\" 8; both groups must have the same "
            "landmarks");
  EXPECT_EQ(errorMessage([] { groupFromCoordinates(Matrix::Ones(4, 3), 3, {}, "g"); }),
            "g: one landmark a specimen has no shape; a group needs 2 or more");
}

}  // namespace
}  // namespace vexmoor
