// vexmoor-batch on the group file formats: the dimension a file states,
// tables of variables on the raw-coordinate path, what the user is told.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch_options.h"
#include "batch_run.h"
#include "support/error_message.h"
#include "support/recording_host.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using testing::RecordingHost;

const std::string kFormats = VEXMOOR_TEST_DATA "/formats/";
const std::string kTableA = VEXMOOR_EXAMPLES "/measurements/synthetic_a.csv";
const std::string kTableB = VEXMOOR_EXAMPLES "/measurements/synthetic_b.csv";

std::string run(const std::vector<std::string>& args, RecordingHost& host) {
  return runBatch(parseBatchOptions(args), host);
}

std::string run(const std::vector<std::string>& args) {
  RecordingHost host;
  return run(args, host);
}

TEST(BatchFormats, AFileThatStatesThreeDimensionsNeedsNoOption) {
  std::string plain = run({"DoMezeyAngle", VEXMOOR_EXAMPLES "/macaque/macf.txt",
                           VEXMOOR_EXAMPLES "/macaque/macm.txt", "--3d", "-k", "2"});
  EXPECT_EQ(
      run({"DoMezeyAngle", kFormats + "macf.tps", kFormats + "macm_morphologika.txt", "-k", "2"}),
      plain);
  // A plain group takes the dimension the other file states.
  EXPECT_EQ(
      run({"DoMezeyAngle", kFormats + "macf.nts", VEXMOOR_EXAMPLES "/macaque/macm.txt", "-k", "2"}),
      plain);
  EXPECT_EQ(
      errorMessage([] {
        run({"RunCPC", kFormats + "gorf.tps", kFormats + "gorm.csv", "--3d"});
      }),
      "--3d contradicts file \"" + kFormats + "gorf.tps\", which holds two-dimensional landmarks");
  EXPECT_EQ(errorMessage([] {
              run({"RunCPC", kFormats + "gorf.tps", kFormats + "macm.csv"});
            }),
            "file \"" + kFormats + "macm.csv\" holds three-dimensional landmarks, file \"" +
                kFormats +
                "gorf.tps\" two-dimensional ones; both groups must have the same "
                "dimension");
}

TEST(BatchFormats, TablesOfVariablesGoTheRawCoordinatePath) {
  std::string text = run({"RunCPC", kTableA, kTableB, "--raw"});
  EXPECT_EQ(text.rfind("Results of CPC Analysis\n", 0), 0u) << text;
  EXPECT_NE(text.find("     2 CPC:"), std::string::npos) << text;  // p - 2 partial models
  EXPECT_EQ(text.find("     3 CPC:"), std::string::npos) << text;
  for (const char* action : {"DoMezeyAngle", "BootMezeyAngle", "RandMezeyAngle"}) {
    EXPECT_NE(run({action, kTableA, kTableB, "--raw", "-k", "2", "--seed", "1"}), "") << action;
  }
  EXPECT_EQ(errorMessage([] {
              run({"RunCPC", kTableA, kTableB});
            }),
            "file \"" + kTableA +
                "\" is a table of 4 variables, not landmark configurations; partial warps need "
                "landmarks: give --raw to analyse its columns as they stand");
  EXPECT_EQ(errorMessage([] {
              run({"RunCPC", kTableA, kTableB, "--raw", "--3d"});
            }),
            "file \"" + kTableA +
                "\" is a table of 4 variables, not landmark configurations; three-dimensional "
                "analyses need landmarks");
}

TEST(BatchFormats, WarningsAlwaysNotesOnTheConsole) {
  RecordingHost host;
  run({"DoMezeyAngle", kFormats + "gorf.tps", kFormats + "gorm.tps", "-k", "2"}, host);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_NE(host.console.find("note: file \"" + kFormats +
                              "gorf.tps\": curves and outlines skipped (1 in all)"),
            std::string::npos);
}

}  // namespace
}  // namespace vexmoor
