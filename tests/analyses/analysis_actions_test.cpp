#include "analyses/analysis_actions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analyses/computing_operations.h"
#include "analyses/covariance_actions.h"
#include "io/landmark_file.h"
#include "runtime/operation_table.h"
#include "support/error_message.h"
#include "support/recording_host.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using testing::RecordingHost;

Matrix gorilla(const char* file) {
  return readLandmarkFile(std::string(VEXMOOR_EXAMPLES "/gorilla/") + file);
}

TEST(AnalysisActions, TheSevenAnalysesInDispatcherOrderThenOurOwn) {
  std::vector<std::string> names;
  for (const AnalysisAction& a : analysisActions()) {
    names.emplace_back(a.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{
                       "DoMezeyAngle", "RunCPC", "BootMezeyAngle", "BootConMezeyAngle",
                       "RangeMezeyAngle", "PermuteMezeyAngle", "RandMezeyAngle",
                       "PrincipalComponents", "RelativeEigenanalysis", "CovarianceDistances",
                       "RandomSkewers", "MatrixCorrelation", "CommonSubspace"}));
  EXPECT_FALSE(findAnalysisAction("RunCPC")->readsComponents);
  EXPECT_TRUE(findAnalysisAction("DoMezeyAngle")->readsComponents);
  EXPECT_FALSE(findAnalysisAction("DoMezeyAngle")->resampling);
  EXPECT_TRUE(findAnalysisAction("BootConMezeyAngle")->resampling);
  EXPECT_EQ(findAnalysisAction("domezeyangle"), nullptr);
  EXPECT_EQ(findAnalysisAction("DoMezeyAngle "), nullptr);
  EXPECT_EQ(findAnalysisAction("LoadData1"), nullptr);
}

TEST(AnalysisActions, TheDispatcherComparesTenNames) {
  std::vector<std::string> names;
  for (std::string_view n : dispatcherActionNames()) {
    names.emplace_back(n);
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"LoadData1", "LoadData2", "DoMezeyAngle", "RunCPC",
                                      "BootMezeyAngle", "BootConMezeyAngle", "RangeMezeyAngle",
                                      "PermuteMezeyAngle", "RandMezeyAngle", "ClearData"}));
}

TEST(AnalysisActions, DoMezeyAngleOnTheBundledGroups) {
  Matrix f = gorilla("gorf.txt"), m = gorilla("gorm.txt");
  AnalysisRequest r;
  r.data1 = &f;
  r.data2 = &m;
  r.settings.componentsText = "2";
  RecordingHost host;
  std::string text = findAnalysisAction("DoMezeyAngle")->run(r, host).text;
  EXPECT_EQ(text,
            "Results of the Angle between Planes Calculation\n"
            "The angle between the planes was 89.02, using 2 components\n"
            "Matlab angle 86.92\n"
            "Krzanowskis summed eigenvalue metric:   0.894");
  EXPECT_NE(host.console.find("stempd ="), std::string::npos);
  // The groups are read, never changed.
  EXPECT_EQ(f, gorilla("gorf.txt"));
  EXPECT_EQ(m, gorilla("gorm.txt"));
}

TEST(AnalysisActions, AMissingGroupStopsTheAction) {
  Matrix f = gorilla("gorf.txt");
  AnalysisRequest r;
  r.data1 = &f;
  r.settings.componentsText = "2";
  EXPECT_EQ(errorMessage([&] { findAnalysisAction("DoMezeyAngle")->run(r, silentHost()); }),
            "group 2 is not loaded");
}

TEST(AnalysisActions, TwoNamedGroupsAreNamedInRunCpcMessages) {
  // Raw coordinates, so that a landmark fixed in every male specimen is a
  // variable without variance.
  Matrix f = gorilla("gorf.txt"), m = gorilla("gorm.txt");
  m.col(0).setConstant(m(0, 0));
  AnalysisRequest r;
  r.groups = {{"females", &f}, {"males", &m}};
  r.settings.partialWarps = false;
  EXPECT_EQ(errorMessage([&] { findAnalysisAction("RunCPC")->run(r, silentHost()); }),
            "the x coordinate of landmark 1 (column 1 of the landmark data) has zero variance "
            "in group \"males\" (the same value in every specimen), so the common principal "
            "components cannot be estimated; analyse partial warps, which superimpose the "
            "specimens, instead");
}

TEST(ComputingOperations, TheCoreOperationsAreBoundByName) {
  OperationTable table;
  RecordingHost host;
  bindComputingOperations(table, host);
  for (const char* name : {"centsize", "centpos", "centsize3Da", "vertxy", "vertxy3D", "getpsup",
                           "getconsensuspca", "getpwpca", "gettspl", "gettpse", "uspline",
                           "uniparmproc", "scpcoeffpca", "mezeyangle", "krzanangle", "dload"}) {
    EXPECT_TRUE(table.isBound(name)) << name;
  }
  Matrix f = gorilla("gorf.txt"), m = gorilla("gorm.txt");
  std::vector<Value> args{Matrix(f.leftCols(16)), Matrix(m.leftCols(16)), scalarValue(2)};
  std::vector<Value> out = table.call("mezeyangle", args, 3);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_NEAR(std::get<Matrix>(out[1])(0, 0), 90 * std::sqrt(2.0), 1e-12);
  EXPECT_NE(host.console.find("y3 ="), std::string::npos);

  std::vector<Value> unequal{Matrix(f.leftCols(16)), Matrix(m.leftCols(15)), scalarValue(2)};
  EXPECT_NE(errorMessage([&] { table.call("krzanangle", unequal, 1); }), "<no error>");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0], "Unequal numbers of variables in data input to mezeyangle");

  std::vector<Value> fraction{Matrix(f.leftCols(16)), Matrix(m.leftCols(16)), scalarValue(1.5)};
  EXPECT_EQ(errorMessage([&] { table.call("mezeyangle", fraction, 1); }),
            "mezeyangle: the number of components must be a whole number");
}

}  // namespace
}  // namespace vexmoor

namespace vexmoor {
namespace {

// Three or more groups: each pair's replicates go to the sink as the pair
// finishes, in pair order, and the result keeps only what the text and the
// JSON print.
TEST(GroupComparison, FinishedPairsGoToTheirSinkAndOnlyTheirNumbersStay) {
  Matrix f = gorilla("gorf.txt"), m = gorilla("gorm.txt");
  Matrix f1 = f.topRows(15), f2 = f.bottomRows(15), m1 = m.topRows(15), m2 = m.bottomRows(14);
  AnalysisRequest request;
  request.groups = {{"a", &f1}, {"b", &f2}, {"c", &m1}, {"d", &m2}};
  request.settings.componentsText = "2";
  request.seed = 9;
  std::vector<std::pair<size_t, size_t>> seen;
  std::vector<Matrix> values;
  request.pairFinished = [&](const GroupComparison& c, const GroupPair& p,
                             const ResamplingResult& r) {
    EXPECT_EQ(c.names.size(), 4u);
    seen.emplace_back(p.first, p.second);
    values.push_back(r.values);
  };
  AnalysisResult result = findAnalysisAction("BootMezeyAngle")->run(request, silentHost());
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen.front(), std::make_pair(size_t{0}, size_t{1}));
  EXPECT_EQ(seen.back(), std::make_pair(size_t{2}, size_t{3}));
  for (size_t i = 0; i < 6; ++i) {
    const ResamplingResult& kept = *result.comparison->pairs[i].resampling;
    EXPECT_EQ(values[i].rows(), 100);
    EXPECT_EQ(kept.values.size(), 0);
    EXPECT_EQ(kept.text, "");
    // The printed numbers are those of the replicates the sink saw.
    const PrintedPercentile& upper = kept.percentiles.front();
    std::vector<double> column(values[i].col(upper.column).begin(),
                               values[i].col(upper.column).end());
    std::sort(column.begin(), column.end());
    EXPECT_EQ(upper.value, column[static_cast<size_t>(upper.position - 1)]);
    EXPECT_EQ(kept.degenerate.size(), 2u);
  }
  EXPECT_EQ(result.text.rfind("Bootstrap Test of Angle\n4 groups", 0), 0u);
  EXPECT_EQ(result.note, "");
}

// The k-group texts are made from numbers: each opens with the title of
// the two-group text of its action, then the groups.
TEST(GroupComparison, TextsOpenWithTheTwoGroupTitleThenTheGroups) {
  Matrix f = gorilla("gorf.txt"), m = gorilla("gorm.txt");
  Matrix f1 = f.topRows(15), f2 = f.bottomRows(15);
  AnalysisRequest two, three;
  two.data1 = &f;
  two.data2 = &m;
  three.groups = {{"a", &f1}, {"b", &f2}, {"m", &m}};
  for (AnalysisRequest* r : {&two, &three}) {
    r->settings.componentsText = "2";
    r->settings.pcs = 3;
    r->seed = 2;
  }
  for (const AnalysisAction& action : analysisActions()) {
    // The covariance analyses compare matrices, not subspaces: their texts
    // open otherwise.
    if (action.name == "PrincipalComponents" || isCovarianceAction(action.name)) {
      continue;
    }
    AnalysisRequest pair = two, groups = three;
    if (action.name != "RunCPC") {
      pair.settings.pcs = groups.settings.pcs = 0;
    }
    std::string twoText = action.run(pair, silentHost()).text;
    std::string groupsText = action.run(groups, silentHost()).text;
    // RunCPC's pooled-components line stands above its title.
    size_t title = action.name == "RunCPC" ? twoText.find("Results of CPC") : 0;
    std::string opening = twoText.substr(title, twoText.find('\n', title) - title) + "\n3 groups";
    EXPECT_EQ(groupsText.find(opening), title == 0 ? 0u : groupsText.find('\n') + 1) << action.name;
  }
}

}  // namespace
}  // namespace vexmoor
