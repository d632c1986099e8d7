#include "io/group_assignment.h"

#include <gtest/gtest.h>

#include <string>

#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

// Three landmarks, so that the rows are landmark configurations.
const char* kTable =
    "id,x1,y1,x2,y2,x3,y3,species\n"
    "a,0,0,1,0,0,1,\"Pan, common\"\n"
    "b,0,0,2,0,0,1,Gorilla\n"
    "\n"
    "c,0,0,1,0,0,3,\"Pan, common\"\n"
    "d,0,0,1,1,0,2,Gorilla\n";

TEST(GroupedTable, SplitsByTheColumnInOrderOfFirstAppearance) {
  NamedGroups g = parseGroupedTable(kTable, "t.csv", "species");
  ASSERT_EQ(g.names, (std::vector<std::string>{"Pan, common", "Gorilla"}));
  ASSERT_EQ(g.groups.size(), 2u);
  EXPECT_EQ(g.groups[0].info.identifiers, (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(g.groups[1].info.identifiers, (std::vector<std::string>{"b", "d"}));
  // The column is no data: three landmarks and the centroid size.
  EXPECT_EQ(g.groups[0].data.cols(), 7);
  EXPECT_EQ(g.groups[1].data(0, 2), 2.0);
  EXPECT_EQ(g.groups[0].data(1, 5), 3.0);
}

TEST(GroupedTable, LabelsAreTrimmedOfBlanks) {
  std::string padded = kTable;
  padded.replace(padded.find("Gorilla"), 7, "\" Gorilla\t\"");
  NamedGroups g = parseGroupedTable(padded, "t.csv", "species");
  EXPECT_EQ(g.names, (std::vector<std::string>{"Pan, common", "Gorilla"}));
  Classifier c = parseClassifier("id,sex\na,\"f \"\nc,f\n", "c.csv", "sex");
  LandmarkGroup file = parseGroupedTable(kTable, "t.csv", "species").groups[0];  // a and c
  EXPECT_EQ(errorMessage([&] { classifyGroups(file, "t.csv", c); }),
            "classifier \"c.csv\" gives every specimen the one group \"f\"; comparing groups "
            "needs at least two");
}

TEST(GroupedTable, ErrorsKeepTheirLinesAndNameTheColumn) {
  std::string bad = kTable;
  bad.replace(bad.find("0,0,1,0,0,3"), 11, "0,0,1,x,0,3");
  EXPECT_NE(errorMessage([&] {
              parseGroupedTable(bad, "t.csv", "species");
            }).find("file \"t.csv\", line 5"),
            std::string::npos);
  EXPECT_EQ(errorMessage([] { parseGroupedTable(kTable, "t.csv", "Species"); }),
            "file \"t.csv\" has no column \"Species\"; its first row holds \"id\", \"x1\", "
            "\"y1\", \"x2\", \"y2\", \"x3\", \"y3\", \"species\"");
  std::string empty = kTable;
  empty.replace(empty.find("Gorilla\n"), 7, "");
  EXPECT_EQ(errorMessage([&] { parseGroupedTable(empty, "t.csv", "species"); }),
            "file \"t.csv\", line 3: column \"species\" of file \"t.csv\" is empty, so the "
            "specimen has no group");
  std::string one = "id,x1,y1,x2,y2,x3,y3,g\na,0,0,1,0,0,1,F\nb,0,0,2,0,0,1,F\n";
  EXPECT_EQ(errorMessage([&] { parseGroupedTable(one, "t.csv", "g"); }),
            "column \"g\" of file \"t.csv\" gives every specimen the one group \"F\"; comparing "
            "groups needs at least two");
}

TEST(Classifier, GroupsTheFilesSpecimensAndRefusesGapsAndStrangers) {
  NamedGroups all = parseGroupedTable(kTable, "t.csv", "species");
  LandmarkGroup file = all.groups[0];  // a and c
  Classifier c = parseClassifier("id;sex\nc;m\na;f\n", "c.csv", "sex");
  NamedGroups g = classifyGroups(file, "t.csv", c);
  EXPECT_EQ(g.names, (std::vector<std::string>{"f", "m"}));
  EXPECT_EQ(g.groups[1].info.identifiers, (std::vector<std::string>{"c"}));

  Classifier gap = parseClassifier("id,sex\na,f\n", "c.csv", "sex");
  EXPECT_EQ(errorMessage([&] { classifyGroups(file, "t.csv", gap); }),
            "file \"t.csv\": specimen \"c\" has no group in classifier \"c.csv\"");
  Classifier stranger = parseClassifier("id,sex\na,f\nc,m\nz,m\n", "c.csv", "sex");
  EXPECT_EQ(errorMessage([&] { classifyGroups(file, "t.csv", stranger); }),
            "classifier \"c.csv\", line 4: specimen \"z\" is not in file \"t.csv\"");
  EXPECT_EQ(errorMessage([] { parseClassifier("id,sex\na,f\na,m\n", "c.csv", "sex"); }),
            "classifier \"c.csv\", line 3: specimen \"a\" is listed twice (also on line 2)");
  EXPECT_EQ(errorMessage([] { parseClassifier("id,sex\na,\n", "c.csv", "sex"); }),
            "classifier \"c.csv\", line 2: specimen \"a\" has no group in column \"sex\"");
  // Identifiers decide the groups: one of two specimens would take the
  // other's group.
  LandmarkGroup twice = file;
  twice.info.identifiers = {"a", "a"};
  EXPECT_EQ(errorMessage([&] { classifyGroups(twice, "t.csv", c); }),
            "file \"t.csv\": specimens 1 and 2 are both \"a\"; classifier \"c.csv\" assigns "
            "groups by identifier, so each specimen needs its own");
  EXPECT_EQ(errorMessage([] { parseClassifier("id,sex\n", "c.csv", "id"); }),
            "classifier \"c.csv\": column \"id\" is its first column, which holds the specimen "
            "identifiers; give the column of groups");
}

}  // namespace
}  // namespace vexmoor
