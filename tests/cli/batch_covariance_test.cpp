// The covariance analyses through vexmoor-batch: the published Tropheus
// example as docs/covariance.md runs it, the JSON members against the
// library's own numbers on coordinates superimposed here, the replicates
// by seed on one and two threads, and sub-groups from every source.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "../covariance/tropheus.h"
#include "batch_options.h"
#include "batch_run.h"
#include "covariance/common_subspace.h"
#include "covariance/covariance_distances.h"
#include "covariance/matrix_correlation.h"
#include "covariance/random_skewers.h"
#include "covariance/relative_eigenanalysis.h"
#include "support/recording_host.h"

namespace vexmoor {
namespace {

using nlohmann::json;
using Args = std::vector<std::string>;

const std::string kExamples = VEXMOOR_EXAMPLES;
const Args kFish{kExamples + "/tropheus/tropheus_tangent.csv",
                 "--group-by",
                 "POP.ID",
                 "--within",
                 "Sex",
                 "--raw",
                 "--total-pcs",
                 "5"};

std::string batch(const std::string& action, Args more, const Args& files = kFish) {
  Args args{action};
  args.insert(args.end(), files.begin(), files.end());
  args.insert(args.end(), more.begin(), more.end());
  testing::RecordingHost host(false);
  return runBatch(parseBatchOptions(args), host);
}

json document(const std::string& action, Args more, const Args& files = kFish) {
  more.push_back("--json");
  return json::parse(batch(action, more, files));
}

void expectVector(const json& j, const Vector& v, double tolerance, const char* what) {
  ASSERT_EQ(j.size(), static_cast<size_t>(v.size())) << what;
  for (Index i = 0; i < v.size(); ++i) {
    EXPECT_NEAR(j[static_cast<size_t>(i)].get<double>(), v(i), tolerance) << what << " " << i;
  }
}

TEST(BatchCovariance, ThePublishedTropheusExampleToEveryPrintedDigit) {
  const std::string re = batch("RelativeEigenanalysis", {"--reference", "IKS5"});
  for (const char* printed :
       {"IKA1 relative to IKS5\n vector    eigenvalue\n      1     2.2960882\n      2     "
        "1.2136310\n"
        "      3     0.9969975\n      4     0.6280469\n      5     0.4872470\n"
        "Ratio of generalised variances: 0.8501793",
        "p = 0.01982876", "IKA1: 69 specimens (M 23, F 46)", "IKS5: 75 specimens (F 51, M 24)"}) {
    EXPECT_NE(re.find(printed), std::string::npos) << printed;
  }
  const json inverse = document("RelativeEigenanalysis", {"--reference", "IKA1"});
  const json& iks5 = inverse["relative_eigenanalysis"][4];
  ASSERT_EQ(iks5["groups"], json({"IKS5", "IKA1"}));
  EXPECT_NEAR(iks5["generalized_variance_ratio"].get<double>(), 1.176222, 5e-7);

  const json d = document("CovarianceDistances", {});
  const std::string& text = d["text"].get_ref<const std::string&>();
  for (const char* printed : {"2.5578296", "0.8256033", "0.6265628", "0.4318701", "0.1309565"}) {
    EXPECT_NE(text.find(printed), std::string::npos) << printed;
  }
  const double cumulative[] = {0.559, 0.740, 0.877, 0.971, 1};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_NEAR(d["ordination"]["cumulative_shares"][i].get<double>(), cumulative[i], 5e-4);
  }
}

// The same fish superimposed by the tests' own fit of the raw landmarks.
struct Reference {
  std::vector<CovarianceGroup> groups = testing::tropheusPopulationsFromRawLandmarks();
  CovarianceInput reduced = prepareCovarianceInput(groups, {ReductionKind::kTotalComponents, 5});
};

TEST(BatchCovariance, JsonMembersAreTheLibrarysNumbers) {
  const Reference ref;
  const double tol = 1e-8;
  const json re = document("RelativeEigenanalysis", {"--reference", "IKS5"});
  RelativeEigenOptions reOptions;
  reOptions.pairs = referencePairs(6, 5);
  const RelativeEigenanalysis r = relativeEigenanalysis(ref.reduced, reOptions);
  EXPECT_EQ(re["variables"]["count"], 38);  // no appended centroid size among them
  EXPECT_EQ(re["variables"]["kind"], "landmark coordinates as given");
  EXPECT_EQ(re["groups"][0]["sub_groups"], json::parse(R"([{"name":"M","specimens":23},
                                                           {"name":"F","specimens":46}])"));
  for (size_t k = 0; k < r.pairs.size(); ++k) {
    const json& pair = re["relative_eigenanalysis"][k];
    const RelativeEigenPair& p = r.pairs[k];
    expectVector(pair["eigenvalues"], p.eigenvalues, tol, "relative eigenvalues");
    expectVector(pair["vectors"][0], p.loadings.col(0), 1e-6, "first vector");
    EXPECT_NEAR(pair["log_generalized_variance_ratio"].get<double>(), p.logGeneralizedVarianceRatio,
                tol);
    EXPECT_NEAR(pair["riemannian_distance"].get<double>(), p.riemannianDistance, tol);
    EXPECT_NEAR(pair["proportionality"]["p"].get<double>(), p.proportionality.p, tol);
    EXPECT_EQ(pair["proportionality"]["df"], 14);
    // Raw coordinates: the displacement of a loading is the loading itself.
    const json& shift = pair["displacements"][0];
    for (size_t l = 0; l < 19; ++l) {
      EXPECT_DOUBLE_EQ(shift[l][1].get<double>(), pair["vectors"][0][2 * l + 1].get<double>());
    }
  }

  const json cd = document("CovarianceDistances", {"--log-euclidean"});
  const CovarianceDistances d = covarianceDistances(ref.reduced, {true, {}});
  for (Index a = 0; a < 6; ++a) {
    expectVector(cd["distances"]["riemannian"][static_cast<size_t>(a)],
                 d.riemannian.row(a).transpose(), tol, "distance");
    expectVector(cd["distances"]["log_euclidean"][static_cast<size_t>(a)],
                 d.logEuclidean.row(a).transpose(), tol, "log-Euclidean");
    expectVector(cd["ordination"]["coordinates"][static_cast<size_t>(a)],
                 d.ordination.coordinates.row(a).transpose(), 1e-7, "coordinates");
  }
  expectVector(cd["ordination"]["shares"], d.ordination.shares, tol, "shares");

  const json rs = document("RandomSkewers", {"--seed", "5", "--mean-angle"});
  const RandomSkewers s = randomSkewers(ref.reduced, {100, 5, nullptr, 0});
  for (size_t k = 0; k < s.pairs.size(); ++k) {
    const json& pair = rs["random_skewers"][k];
    EXPECT_EQ(pair["vectors"], 100);
    EXPECT_NEAR(pair["mean_correlation"].get<double>(), s.pairs[k].meanCorrelation, tol);
    EXPECT_NEAR(pair["sd"].get<double>(), s.pairs[k].sd, tol);
    EXPECT_NEAR(pair["mean_angle"].get<double>(), s.pairs[k].meanAngle, 1e-6);
    EXPECT_DOUBLE_EQ(pair["p"].get<double>(), s.pairs[k].p);
  }

  // Unreduced coordinates are permuted a landmark at a time.
  const Args unreduced(kFish.begin(), kFish.end() - 2);
  const json mc = document("MatrixCorrelation", {"--diagonal"}, unreduced);
  CorrelationOptions mcOptions;
  mcOptions.diagonal = true;
  const MatrixCorrelation m = matrixCorrelation(prepareCovarianceInput(ref.groups, {}), mcOptions);
  EXPECT_EQ(mc["matrix_correlation"][0]["permuted"], "landmarks");
  EXPECT_EQ(mc["matrix_correlation"][0]["elements"], 38 * 39 / 2);
  EXPECT_NEAR(mc["matrix_correlation"][3]["correlation"].get<double>(), m.pairs[3].correlation,
              tol);

  const json cs = document("CommonSubspace", {"-k", "2"});
  SubspaceOptions csOptions;
  csOptions.k = 2;
  const CommonSubspace h = commonSubspace(ref.reduced, csOptions);
  expectVector(cs["common_subspace"]["eigenvalues"], h.eigenvalues, tol, "H eigenvalues");
  expectVector(cs["common_subspace"]["angles"][2]["angles"], h.angles.row(2).transpose(), 1e-6,
               "angles");
  EXPECT_TRUE(cs["common_subspace"]["p_values"].is_null());
}

TEST(BatchCovariance, ReplicatesRepeatBySeedOnOneAndTwoThreads) {
  RunGroups groups = loadGroups({{kExamples + "/tropheus/tropheus_tangent.csv"},
                                 "POP.ID",
                                 std::nullopt,
                                 std::nullopt,
                                 /*dropIncomplete=*/false,
                                 "Sex"},
                                silentHost());
  RunSettings s;
  s.action = "RelativeEigenanalysis";
  s.partialWarps = false;
  s.covariance.totalPcs = 5;
  s.covariance.within = "Sex";
  s.covariance.resample = true;
  s.threads = 1;
  const RunOutput fresh = runAnalysis(groups, s, silentHost());
  s.seed = json::parse(fresh.json)["settings"]["seed"].get<std::uint64_t>();
  s.threads = 2;
  const RunOutput again = runAnalysis(groups, s, silentHost());
  EXPECT_EQ(again.json, fresh.json);
  const std::string replicates = fresh.replicatesCsv();
  EXPECT_EQ(again.replicatesCsv(), replicates);
  // 15 pairs of 100 replicates, and the header.
  EXPECT_EQ(std::count(replicates.begin(), replicates.end(), '\n'), 1501);
}

// Rows of `table` whose column `column` holds `value`, under its header.
std::string rowsOf(const std::string& table, size_t column, const std::string& value) {
  std::ifstream in(table);
  std::string line, out;
  std::getline(in, line);
  out = line + "\n";
  while (std::getline(in, line)) {
    std::vector<std::string> fields = splitFields(line, ',', table);
    if (fields[column] == value) {
      out += line + "\n";
    }
  }
  return out;
}

TEST(BatchCovariance, SubGroupsFromATableAClassifierOrEachFile) {
  const std::string dir = kExamples + "/gorilla_groups/";
  const std::string byTable = batch(
      "CovarianceDistances", {"--group-by", "sex", "--within", "group"}, {dir + "gorillas.csv"});
  EXPECT_NE(byTable.find("female: 30 specimens (F-small 15, F-large 15)"), std::string::npos);
  const std::string byClassifier =
      batch("CovarianceDistances", {"--within", "group"},
            {dir + "gorillas.tps", "--classifier", dir + "classifier.csv", "--by", "sex"});
  EXPECT_EQ(byClassifier, byTable);

  const std::filesystem::path tmp =
      std::filesystem::temp_directory_path() / ("vexmoor_within_" + std::to_string(::getpid()));
  std::filesystem::create_directories(tmp);
  for (const char* sex : {"female", "male"}) {
    std::ofstream(tmp / (std::string(sex) + ".csv")) << rowsOf(dir + "gorillas.csv", 1, sex);
  }
  const std::string byFiles = batch("CovarianceDistances", {"--within", "group"},
                                    {(tmp / "female.csv").string(), (tmp / "male.csv").string()});
  std::filesystem::remove_all(tmp);
  // Two files are groups 1 and 2; the numbers are those of the table's.
  EXPECT_NE(byFiles.find("group 1: 30 specimens (F-small 15, F-large 15)"), std::string::npos);
  const auto tail = [](const std::string& t) { return t.substr(t.find("Principal coordinates")); };
  EXPECT_EQ(tail(byFiles), tail(byTable));
}

}  // namespace
}  // namespace vexmoor
