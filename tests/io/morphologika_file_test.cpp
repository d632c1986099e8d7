#include "io/morphologika_file.h"

#include <gtest/gtest.h>

#include <string>

#include "io/group_file.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

LandmarkGroup morphologika(const std::string& text) {
  return parseGroupText(text, "m.txt", "m.txt");
}

const std::string kHead = "' two specimens\n[Individuals]\n2\n[landmarks]\n2\n[dimensions]\n3\n";

TEST(MorphologikaFile, SectionsCommentsAndSpecimenNames) {
  LandmarkGroup g = morphologika(kHead +
                                 "[labels]\nSex\n[labelvalues]\nM\nF\n[rawpoints]\n"
                                 "'#skull A\n1 2 3\n4 5 6\n' a remark\n'#skull B\n7 8 9\n1 1 1\n"
                                 "[wireframe]\n1 2\n");
  EXPECT_EQ(g.info.format, GroupFormat::kMorphologika);
  EXPECT_EQ(g.info.dimension, 3);
  ASSERT_EQ(g.data.rows(), 2);
  ASSERT_EQ(g.data.cols(), 7);
  EXPECT_EQ(g.data(1, 2), 9.0);
  EXPECT_EQ(g.info.identifiers, (std::vector<std::string>{"skull A", "skull B"}));
  EXPECT_EQ(g.info.notes, (std::vector<std::string>{"section [labelvalues] skipped",
                                                    "section [wireframe] skipped"}));
  // [names] win over the '# lines.
  LandmarkGroup named =
      morphologika(kHead + "[names]\nfirst\nsecond\n[rawpoints]\n1 2 3\n4 5 6\n7 8 9\n1 1 1\n");
  EXPECT_EQ(named.info.identifiers, (std::vector<std::string>{"first", "second"}));
}

TEST(MorphologikaFile, CountsThatDisagreeNameTheSection) {
  EXPECT_EQ(errorMessage([] { morphologika(kHead + "[rawpoints]\n1 2 3\n4 5 6\n7 8 9\n"); }),
            "file \"m.txt\", section [rawpoints]: 9 numbers where [individuals] 2, [landmarks] 2 "
            "and [dimensions] 3 make 12");
  EXPECT_EQ(
      errorMessage([] { morphologika(kHead + "[rawpoints]\n'#a\n1 2 3\n4 5 6\n'#b\n7 8 9\n"); }),
      "file \"m.txt\", section [rawpoints], specimen 2 (\"b\", line 12): 3 numbers where "
      "[landmarks] 2 and [dimensions] 3 make 6");
  EXPECT_EQ(errorMessage([] {
              morphologika(kHead + "[names]\nonly\n[rawpoints]\n1 2 3 4 5 6 7 8 9 1 2 3\n");
            }),
            "file \"m.txt\", section [names]: 1 names where [individuals] says 2");
  EXPECT_EQ(errorMessage([] { morphologika("[individuals]\n2\n[rawpoints]\n1 2\n"); }),
            "file \"m.txt\" has no [landmarks] section");
  EXPECT_EQ(errorMessage([] { morphologika(kHead + "[rawpoints]\n1 2 3\n4 5 x\n"); }),
            "file \"m.txt\", line 10, section [rawpoints]: \"x\" is not a number");
}

// Counts beyond what a size can hold (found by fuzzing: 2e124 reached an
// undefined conversion) are refused like any other bad count.
TEST(MorphologikaFile, CountsMustBeWholeAndInRange) {
  for (const char* count : {"2.11111e124", "1e10", "-3", "2.5", "0", "nan", "inf"}) {
    EXPECT_EQ(errorMessage([&] {
                morphologika(std::string("[individuals]\n") + count + "\n[landmarks]\n2\n");
              }),
              std::string("file \"m.txt\", line 2, section [individuals]: \"") + count +
                  "\" is not a positive whole number")
        << count;
  }
}

}  // namespace
}  // namespace vexmoor
