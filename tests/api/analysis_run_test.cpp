#include "api/analysis_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/error_message.h"
#include "support/recording_host.h"

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
            "DoMezeyAngle needs the number of principal components k");
}

// A TPS landmark written -999 -999 leaves its specimen out of the run,
// named in the note and the JSON, and the numbers are those of the file
// without it; the classifier may still list it.
TEST(AnalysisRun, IncompleteSpecimensAreLeftOutAndNamed) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / "vexmoor_api_incomplete";
  fs::create_directories(dir);
  std::ifstream in(VEXMOOR_EXAMPLES "/gorilla_groups/gorillas.tps");
  std::ofstream with(dir / "with.tps"), without(dir / "without.tps");
  std::vector<std::string> specimen;
  for (std::string line; std::getline(in, line);) {
    specimen.push_back(line);
    if (line.rfind("ID=", 0) != 0) {
      continue;
    }
    bool second = line == "ID=gorf02";
    for (size_t i = 0; i < specimen.size(); ++i) {
      with << (second && i == 3 ? "-999 -999" : specimen[i]) << "\n";
      if (!second) {
        without << specimen[i] << "\n";
      }
    }
    specimen.clear();
  }
  with.close();
  without.close();
  std::ifstream classes(VEXMOOR_EXAMPLES "/gorilla_groups/classifier.csv");
  std::ofstream classesWithout(dir / "classes.csv");
  for (std::string line; std::getline(classes, line);) {
    classesWithout << (line.rfind("gorf02,", 0) == 0 ? "" : line + "\n");
  }
  classesWithout.close();
  GroupSources sources;
  sources.files = {(dir / "with.tps").string()};
  sources.classifier = VEXMOOR_EXAMPLES "/gorilla_groups/classifier.csv";
  sources.by = "sex";
  std::string refused = errorMessage([&] { loadGroups(sources, silentHost()); });
  sources.dropIncomplete = true;
  RunOutput dropped = runAnalysis(loadGroups(sources, silentHost()), angleSettings(), silentHost());
  sources.files = {(dir / "without.tps").string()};
  sources.classifier = (dir / "classes.csv").string();
  RunOutput complete =
      runAnalysis(loadGroups(sources, silentHost()), angleSettings(), silentHost());
  fs::remove_all(dir);
  EXPECT_NE(refused.find("1 specimen has missing values (specimen 2 (\"gorf02\"): landmark 3)"),
            std::string::npos);
  EXPECT_EQ(dropped.result.text, complete.result.text);
  EXPECT_EQ(dropped.result.note, "Note: file \"" + (dir / "with.tps").string() +
                                     "\": left out for missing values: specimen 2 (\"gorf02\"): "
                                     "landmark 3");
  json settings = json::parse(dropped.json)["settings"];
  EXPECT_EQ(settings["drop_incomplete"], true);
  EXPECT_EQ(settings["dropped"][0]["identifier"], "gorf02");
  EXPECT_EQ(settings["dropped"][0]["missing"], json::array({3}));
  EXPECT_EQ(json::parse(complete.json)["settings"]["dropped"], json::array());
}

// 19 values a line make 9 two-dimensional landmarks or 6 three-dimensional
// ones: read as two, with one warning a file unless the settings chose.
TEST(AnalysisRun, PlainFilesThatFitBothDimensionsAreWarnedAbout) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / "vexmoor_api_ambiguous";
  fs::create_directories(dir);
  GroupSources sources;
  for (const char* file :
       {VEXMOOR_EXAMPLES "/macaque/macf.txt", VEXMOOR_EXAMPLES "/macaque/macm.txt"}) {
    Matrix x = readGroupFile(file).data;
    sources.files.push_back((dir / fs::path(file).filename()).string());
    std::ofstream out(sources.files.back());
    for (Index i = 0; i < x.rows(); ++i) {
      for (Index j = 0; j < 18; ++j) {
        out << x(i, j) << " ";
      }
      out << x(i, 21) << "\n";
    }
  }
  RunGroups groups = loadGroups(sources, silentHost());
  fs::remove_all(dir);
  testing::RecordingHost host(false);
  RunOutput run = runAnalysis(groups, angleSettings(), host);
  ASSERT_EQ(run.warnings.size(), 2u);
  EXPECT_EQ(host.boxes, run.warnings);
  EXPECT_EQ(run.warnings[0], "file \"" + sources.files[0] +
                                 "\": its 19 values a line make 9 two-dimensional landmarks or 6 "
                                 "three-dimensional ones; read as two-dimensional (give the "
                                 "dimension 3 to read them as three-dimensional: --3d, dim = 3)");
  EXPECT_EQ(json::parse(run.json)["groups"][1]["dimension"], 2);
  RunSettings chosen = angleSettings();
  chosen.dimensionChosen = true;
  chosen.partialWarps = false;
  RunOutput two = runAnalysis(groups, chosen, silentHost());
  EXPECT_TRUE(two.warnings.empty());
  EXPECT_EQ(json::parse(two.json)["settings"]["shape_variables"],
            "raw coordinates with the trailing value");
  // In three dimensions the switch changes nothing, and the settings say so.
  chosen.threeD = true;
  RunOutput three = runAnalysis(groups, chosen, silentHost());
  EXPECT_TRUE(three.warnings.empty());
  EXPECT_EQ(json::parse(three.json)["groups"][0]["dimension"], 3);
  EXPECT_EQ(json::parse(three.json)["settings"]["shape_variables"], "partial warps");
  EXPECT_EQ(json::parse(three.json)["settings"]["partial_warps"], true);
  EXPECT_TRUE(
      runAnalysis(loadGroups(filesOnly({kGorf, kGorm}), silentHost()), angleSettings(), host)
          .warnings.empty());
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
