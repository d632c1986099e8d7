#include "api/analysis_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/error_message.h"

namespace vexmoor {
namespace {

using nlohmann::json;
using testing::errorMessage;

const std::string kGorf = VEXMOOR_EXAMPLES "/gorilla/gorf.txt";
const std::string kGorm = VEXMOOR_EXAMPLES "/gorilla/gorm.txt";

// A file's coordinates without the trailing value, as a binding hands them
// over.
Matrix coordinatesOf(const std::string& file) {
  Matrix data = readGroupFile(file).data;
  return data.leftCols(data.cols() - 1);
}

GroupSources filesOnly(std::vector<std::string> files) {
  GroupSources s;
  s.files = std::move(files);
  return s;
}

RunSettings angleSettings(const char* action = "DoMezeyAngle") {
  RunSettings s;
  s.action = action;
  s.components = "2";
  s.seed = 3;
  return s;
}

TEST(AnalysisRun, GroupsInMemoryGiveTheNumbersOfTheirFiles) {
  RunGroups files = loadGroups(filesOnly({kGorf, kGorm}), silentHost());
  InputGroup f = groupFromCoordinates(coordinatesOf(kGorf), 2, {}, "gorf");
  InputGroup m = groupFromCoordinates(coordinatesOf(kGorm), 2, {}, "gorm");
  EXPECT_TRUE(f.group.data.isApprox(files.groups[0].group.data, 1e-14));
  for (const char* action : {"DoMezeyAngle", "RunCPC", "BootMezeyAngle"}) {
    RunOutput fromFiles = runAnalysis(files, angleSettings(action), silentHost());
    RunOutput fromMemory =
        runAnalysis(groupsInMemory({f, m}, false), angleSettings(action), silentHost());
    EXPECT_EQ(fromMemory.result.text, fromFiles.result.text) << action;
    EXPECT_EQ(json::parse(fromMemory.json)["groups"][0]["format"], "array");
  }
  // One array split by labels: the same as two named groups of files.
  Matrix both(f.group.data.rows() + m.group.data.rows(), coordinatesOf(kGorf).cols());
  both << coordinatesOf(kGorf), coordinatesOf(kGorm);
  std::vector<std::string> labels(30, "female ");
  labels.resize(59, "male");
  RunGroups split = splitByLabels(groupFromCoordinates(both, 2, {}, "all"), labels);
  ASSERT_EQ(split.groups.size(), 2u);
  EXPECT_EQ(split.groups[0].name, "female");
  RunOutput named = runAnalysis(split, angleSettings(), silentHost());
  EXPECT_EQ(named.result.text, runAnalysis(files, angleSettings(), silentHost()).result.text);
  EXPECT_EQ(json::parse(named.json)["groups"][1]["name"], "male");
}

TEST(AnalysisRun, RefusesWhatDoesNotFitBeforeAnyWork) {
  EXPECT_EQ(errorMessage([] { groupFromCoordinates(Matrix::Zero(3, 5), 2, {}, "g"); }),
            "g: 5 coordinates a specimen are no whole number of 2-dimensional landmarks");
  EXPECT_EQ(errorMessage([] { groupFromCoordinates(Matrix::Zero(0, 16), 2, {}, "g"); }),
            "g: the group has no specimens");
  Matrix bad = Matrix::Ones(3, 6);
  bad(1, 4) = std::nan("");
  EXPECT_EQ(errorMessage([&] { groupFromCoordinates(bad, 2, {}, "g"); }),
            "g, specimen 2, coordinate 5: NaN is not a finite number");
  InputGroup g = groupFromCoordinates(coordinatesOf(kGorf), 2, {}, "g");
  EXPECT_EQ(errorMessage([&] { splitByLabels(g, std::vector<std::string>(30, "a")); }),
            "g: every specimen has the one group \"a\"; comparing groups needs at least two");
  RunSettings three = angleSettings();
  three.threeD = true;
  EXPECT_EQ(errorMessage([&] {
              runAnalysis(groupsInMemory({g, g}, false), three, silentHost());
            }),
            "the dimension 3 contradicts group \"g\", which holds two-dimensional landmarks");
  RunSettings noK = angleSettings();
  noK.components.reset();
  EXPECT_EQ(errorMessage([&] {
              runAnalysis(groupsInMemory({g, g}, false), noK, silentHost());
            }),
            "DoMezeyAngle needs the number of principal components: give -k K");
}

TEST(AnalysisRun, FilesOfOneNameAreEachKnownByTheirPath) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "vexmoor_api_names";
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b");
  std::vector<std::string> files{(dir / "a/x.txt").string(), (dir / "b/x.txt").string(),
                                 (dir / "c.txt").string()};
  for (const std::string& f : files) {
    std::filesystem::copy_file(kGorf, f, std::filesystem::copy_options::overwrite_existing);
  }
  RunGroups groups = loadGroups(filesOnly(files), silentHost());
  std::filesystem::remove_all(dir);
  EXPECT_EQ(groups.groups[0].name, files[0]);
  EXPECT_EQ(groups.groups[1].name, files[1]);
  EXPECT_EQ(groups.groups[2].name, "c");
}

}  // namespace
}  // namespace vexmoor
