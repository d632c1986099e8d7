// vexmoor-batch with files whose values per line do not fit the dimension.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "batch_options.h"
#include "batch_run.h"
#include "shape/threed_test_support.h"
#include "support/error_message.h"
#include "support/recording_host.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using ::testing::HasSubstr;
using testing::RecordingHost;

const std::string kFemale = VEXMOOR_EXAMPLES "/macaque/macf.txt";
const std::string kMale = VEXMOOR_EXAMPLES "/macaque/macm.txt";

std::string run(const std::vector<std::string>& args) {
  RecordingHost host;
  return runBatch(parseBatchOptions(args), host);
}

TEST(Batch3D, FilesThatDoNotFitTheDimensionAreNamed) {
  std::filesystem::path bad = std::filesystem::temp_directory_path() / "vexmoor_batch3d_23.txt";
  {
    std::ofstream out(bad);
    for (int row = 0; row < 3; ++row) {
      for (int v = 0; v < 23; ++v) {
        out << (v * 7 + row) % 11 << (v < 22 ? " " : "\n");
      }
    }
  }
  EXPECT_EQ(errorMessage([&] {
              run({"DoMezeyAngle", kFemale, bad.string(), "--3d", "-k", "2"});
            }),
            "file \"" + bad.string() +
                "\" has 23 values per line; three-dimensional data need 3k + 1 (k landmarks, "
                "then a trailing value)");
  std::filesystem::remove(bad);

  // Three-dimensional files read as two-dimensional ones, and the reverse.
  EXPECT_THAT(errorMessage([&] {
                run({"DoMezeyAngle", kFemale, kMale, "-k", "2"});
              }),
              HasSubstr("macf.txt\" has 22 values per line; two-dimensional data need 2k + 1"));
  std::string gorilla = VEXMOOR_EXAMPLES "/gorilla/gorf.txt";
  EXPECT_THAT(errorMessage([&] {
                run({"DoMezeyAngle", gorilla, gorilla, "--3d", "-k", "2"});
              }),
              HasSubstr("gorf.txt\" has 17 values per line; three-dimensional data need 3k + 1"));
}

}  // namespace
}  // namespace vexmoor
