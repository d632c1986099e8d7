// Groups beyond two through the built vexmoor-batch: two groups named by a
// column or a classifier give today's bytes; four real groups give
// pairwise tables and a hierarchy that permuting the groups only permutes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "analyses/group_comparison.h"
#include "batch_options.h"
#include "batch_run.h"
#include "compare/analysis_input.h"
#include "compare/principal_axes.h"
#include "cpc/flury_cpc.h"
#include "cpc/model_numerics.h"
#include "io/group_assignment.h"

namespace vexmoor {
namespace {

using nlohmann::json;

const std::string kExamples = VEXMOOR_EXAMPLES;
const std::string kGolden = VEXMOOR_TEST_DATA "/cli/two_groups/";
const char* kActions[] = {"DoMezeyAngle",      "RunCPC",          "BootMezeyAngle",
                          "BootConMezeyAngle", "RangeMezeyAngle", "PermuteMezeyAngle",
                          "RandMezeyAngle"};

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return q + "'";
}

struct BatchRun {
  int status = -1;
  std::string out, err;
};

// Runs vexmoor-batch in the examples folder, so that file names in the
// output are the relative ones the pinned outputs hold.
BatchRun batch(const std::vector<std::string>& args) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("vexmoor_groups_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string command = "cd " + quoted(kExamples) + " && " + quoted(VEXMOOR_BATCH);
  for (const std::string& a : args) {
    command += " " + quoted(a);
  }
  command += " >" + quoted((dir / "out").string()) + " 2>" + quoted((dir / "err").string()) +
             " </dev/null";
  BatchRun r;
  int raw = std::system(command.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = slurp(dir / "out");
  r.err = slurp(dir / "err");
  std::filesystem::remove_all(dir);
  return r;
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// What differs between two groups from two files and the same groups named
// in one file: where the specimens came from.
json withoutSources(json j) {
  for (const char* key : {"files", "formats", "group_by", "classifier"}) {
    j["settings"].erase(key);
  }
  for (json& g : j["groups"]) {
    for (const char* key : {"file", "format", "identifiers", "name"}) {
      g.erase(key);
    }
  }
  return j;
}

TEST(BatchGroups, TwoNamedGroupsGiveTheTwoFileBytes) {
  const std::vector<std::string> files{"gorilla/gorf.txt", "gorilla/gorm.txt"};
  const std::vector<std::string> column{"gorilla_groups/gorillas.csv", "--group-by", "sex"};
  const std::vector<std::string> classifier{"gorilla_groups/gorillas.tps", "--classifier",
                                            "gorilla_groups/classifier.csv", "--by", "sex"};
  const std::vector<std::string> settings{"-k", "2", "--seed", "11"};
  for (const char* action : kActions) {
    std::string text = slurp(kGolden + action + ".txt");
    std::string document = slurp(kGolden + action + ".json");
    ASSERT_FALSE(text.empty()) << action;
    BatchRun two = batch(with(with({action}, files), settings));
    EXPECT_EQ(two.out, text) << action;
    EXPECT_EQ(batch(with(with({action}, files), with(settings, {"--json"}))).out, document)
        << action;
    for (const std::vector<std::string>& named : {column, classifier}) {
      BatchRun r = batch(with(with({action}, named), settings));
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out, text) << action << " " << named[1];
      json j = json::parse(batch(with(with({action}, named), with(settings, {"--json"}))).out);
      EXPECT_EQ(withoutSources(j), withoutSources(json::parse(document)))
          << action << " " << named[1];
    }
  }
  json j = json::parse(batch(with({"RunCPC"}, with(classifier, {"--json"}))).out);
  EXPECT_EQ(j["settings"]["classifier"]["by"], "sex");
  EXPECT_EQ(j["groups"][1]["identifiers"][0], "gorm01");
  EXPECT_EQ(j["groups"][0]["name"], "female");
  EXPECT_EQ(j["groups"][1]["name"], "male");
}

// The four gorilla groups (sex by size class) with the groups in another
// order: the table's rows regrouped so the groups first appear as
// M-large, F-small, M-small, F-large.
const std::vector<std::string> kOrder{"F-small", "F-large", "M-small", "M-large"};
const std::vector<std::string> kPermuted{"M-large", "F-small", "M-small", "F-large"};

std::string permutedTable() {
  std::istringstream in(slurp(kExamples + "/gorilla_groups/gorillas.csv"));
  std::string header, line;
  std::getline(in, header);
  std::map<std::string, std::string> rows;
  while (std::getline(in, line)) {
    std::string group = line.substr(line.find(',', line.find(',') + 1) + 1);
    group = group.substr(0, group.find(','));
    rows[group] += line + "\n";
  }
  std::string text = header + "\n";
  for (const std::string& g : kPermuted) {
    text += rows[g];
  }
  std::filesystem::path p = std::filesystem::temp_directory_path() /
                            ("vexmoor_permuted_gorillas_" + std::to_string(::getpid()) + ".csv");
  std::ofstream(p) << text;
  return p.string();
}

json groupsJson(const std::string& action, const std::string& table) {
  BatchRun r = batch({action, table, "--group-by", "group", "-k", "2", "--seed", "5", "--json"});
  EXPECT_EQ(r.status, 0) << r.err;
  return json::parse(r.out);
}

double relativeGap(double a, double b) {
  return std::abs(a - b) / std::max(1.0, std::abs(b));
}

TEST(BatchGroups, PermutingFourRealGroupsPermutesTablesAndKeepsTheHierarchy) {
  std::string permuted = permutedTable();
  std::vector<size_t> where;  // position of kOrder[g] in the permuted run
  for (const std::string& g : kOrder) {
    where.push_back(
        static_cast<size_t>(std::find(kPermuted.begin(), kPermuted.end(), g) - kPermuted.begin()));
  }
  for (const char* action : {"DoMezeyAngle", "RangeMezeyAngle"}) {
    json a = groupsJson(action, "gorilla_groups/gorillas.csv");
    json b = groupsJson(action, permuted);
    ASSERT_EQ(a["groups"].size(), 4u);
    for (size_t g = 0; g < 4; ++g) {
      EXPECT_EQ(a["groups"][g]["name"], kOrder[g]);
      EXPECT_EQ(b["groups"][where[g]]["name"], kOrder[g]);
      EXPECT_EQ(a["groups"][g]["specimens"], b["groups"][where[g]]["specimens"]);
    }
    for (const char* table : {"angle", "metric", "runtime_angle", "flury"}) {
      for (size_t r = 0; r < 4; ++r) {
        for (size_t c = 0; c < 4; ++c) {
          const json& x = a["tables"][table][r][c];
          const json& y = b["tables"][table][where[r]][where[c]];
          ASSERT_EQ(x.is_null(), y.is_null()) << table << " " << r << " " << c;
          if (!x.is_null()) {
            EXPECT_LT(relativeGap(x.get<double>(), y.get<double>()), 1e-8)
                << action << " " << table << " " << kOrder[r] << " / " << kOrder[c];
            EXPECT_EQ(x, a["tables"][table][c][r]);
          }
        }
      }
    }
    EXPECT_EQ(a["pairs"].size(), 6u);
  }
  json a = groupsJson("RunCPC", "gorilla_groups/gorillas.csv");
  json b = groupsJson("RunCPC", permuted);
  const json& rows = a["models"]["rows"];
  ASSERT_EQ(rows.size(), b["models"]["rows"].size());
  for (size_t i = 0; i < rows.size(); ++i) {
    for (const char* key : {"log_likelihood", "parameters", "aic", "weight"}) {
      EXPECT_LT(relativeGap(rows[i][key], b["models"]["rows"][i][key]), 1e-8)
          << rows[i]["model"] << " " << key;
    }
  }
  std::filesystem::remove(permuted);
}

TEST(BatchGroups, ResamplingPairsCarryHolmAdjustedPValues) {
  json j = groupsJson("BootMezeyAngle", "gorilla_groups/gorillas.csv");
  const json& pairs = j["pairs"];
  ASSERT_EQ(pairs.size(), 6u);
  EXPECT_EQ(j["settings"]["replicates"], 100);
  for (size_t q = 0; q < pairs[0]["p_values"].size(); ++q) {
    std::vector<double> raw, holm;
    for (const json& p : pairs) {
      raw.push_back(p["p_values"][q]["p"]);
      holm.push_back(p["p_values"][q]["p_holm"]);
    }
    // Holm never lowers a p-value, keeps the order of the raw ones and is
    // at most m times the raw value.
    for (size_t i = 0; i < raw.size(); ++i) {
      EXPECT_GE(holm[i], raw[i]);
      EXPECT_LE(holm[i], std::min(1.0, 6 * raw[i]) + 1e-15);
      for (size_t l = 0; l < raw.size(); ++l) {
        if (raw[i] < raw[l]) {
          EXPECT_LE(holm[i], holm[l]);
        }
      }
    }
  }
  // Each pair repeats as a two-group run with its own seed.
  const json& second = pairs[1];
  EXPECT_EQ(second["groups"][0], "F-small");
  EXPECT_EQ(second["groups"][1], "M-small");
  EXPECT_EQ(second["seed"].get<std::uint64_t>(), pairSeed(5, 1));
}

TEST(BatchGroups, TheReplicateFileHoldsEveryPairInTurn) {
  std::filesystem::path csv = std::filesystem::temp_directory_path() /
                              ("vexmoor_pairs_" + std::to_string(::getpid()) + ".csv");
  BatchRun r = batch({"BootMezeyAngle", "gorilla_groups/gorillas.csv", "--group-by", "group", "-k",
                      "2", "--seed", "5", "--json", "--replicates", csv.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const json pairs = json::parse(r.out)["pairs"];
  std::istringstream lines(slurp(csv));
  std::filesystem::remove(csv);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line,
            "group_a,group_b,replicate,angle_group1,angle_group2,metric_group1,"
            "metric_group2");
  for (const json& pair : pairs) {
    const std::string prefix =
        pair["groups"][0].get<std::string>() + "," + pair["groups"][1].get<std::string>() + ",";
    for (int i = 1; i <= 100; ++i) {
      ASSERT_TRUE(std::getline(lines, line));
      ASSERT_EQ(line.rfind(prefix + std::to_string(i) + ",", 0), 0u) << line;
      EXPECT_EQ(std::count(line.begin(), line.end(), ','), 6) << line;
    }
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
}

TEST(BatchGroupOptions, ParseAndRefuseWhatDoesNotFit) {
  BatchOptions three = parseBatchOptions({"RunCPC", "a.txt", "b.txt", "c.txt"});
  EXPECT_EQ(three.files, (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  EXPECT_TRUE(namesGroups(groupSourcesOf(three)));
  BatchOptions column = parseBatchOptions({"RunCPC", "t.csv", "--group-by", "species"});
  EXPECT_EQ(column.groupBy, "species");
  EXPECT_TRUE(namesGroups(groupSourcesOf(column)));
  BatchOptions classified =
      parseBatchOptions({"RunCPC", "d.tps", "--classifier", "c.csv", "--by", "sex"});
  EXPECT_EQ(classified.classifier, "c.csv");
  EXPECT_EQ(classified.by, "sex");
  EXPECT_FALSE(namesGroups(groupSourcesOf(parseBatchOptions({"RunCPC", "a.txt", "a.txt"}))));
  auto refusal = [](const std::vector<std::string>& args) {
    try {
      parseBatchOptions(args);
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
    return std::string("<no error>");
  };
  // One file under three spellings is one file named three times.
  BatchRun twice = batch({"RunCPC", "gorilla/gorf.txt", "./gorilla/gorf.txt", "gorilla//gorf.txt"});
  EXPECT_EQ(twice.err,
            "error: files \"gorilla/gorf.txt\" and \"./gorilla/gorf.txt\" are one file named "
            "twice; every group needs its own file\n");
  EXPECT_EQ(refusal({"RunCPC", "t.csv", "u.csv", "--group-by", "g"}),
            "--group-by splits one file of specimens into groups: expected ACTION FILE, got 3 "
            "arguments (see --help)");
  EXPECT_EQ(refusal({"RunCPC", "t.csv", "--by", "g"}),
            "option --by names the classifier's column of groups; it needs --classifier CSV");
  for (const char* flag : {"--group-by COLUMN", "--classifier CSV", "--by COLUMN", "FILE3"}) {
    EXPECT_NE(batchUsage().find(flag), std::string::npos) << flag;
  }
}

TEST(Holm, AdjustsStepDown) {
  std::vector<double> p{0.01, 0.04, 0.03, 0.5};
  std::vector<double> h = holmAdjusted(p);
  EXPECT_DOUBLE_EQ(h[0], 0.04);
  EXPECT_DOUBLE_EQ(h[2], 0.09);
  EXPECT_DOUBLE_EQ(h[1], 0.09);  // 2 · 0.04 = 0.08, raised to the smaller one's 0.09
  EXPECT_DOUBLE_EQ(h[3], 0.5);
  std::vector<double> withNaN = holmAdjusted({0.2, std::nan(""), 0.9});
  EXPECT_DOUBLE_EQ(withNaN[0], 0.4);
  EXPECT_TRUE(std::isnan(withNaN[1]));
  EXPECT_DOUBLE_EQ(withNaN[2], 0.9);
}

// The hierarchy of the four real groups against what can be computed
// without it: the closed forms of the equal and the unrelated model, the
// FG equations at the common axes, the ordering and the weights.
TEST(BatchGroups, FourGroupHierarchyMeetsItsClosedForms) {
  NamedGroups named =
      readGroupedTable(kExamples + "/gorilla_groups/gorillas.csv", std::string("group"));
  std::vector<GroupData> data;
  for (size_t g = 0; g < named.groups.size(); ++g) {
    data.push_back({&named.groups[g].data, named.names[g]});
  }
  PooledInput in = preparePooledAnalysis(data, AnalysisSettings{}, ConsensusRounding::kFourDecimals,
                                         ComponentsText::kIgnore, silentHost());
  std::vector<Matrix> s;
  std::vector<double> n;
  Matrix pooled = Matrix::Zero(in.n - 1, in.n - 1);
  double total = 0;
  double unrelated = 0;
  for (const PreparedGroup& g : in.groups) {
    s.push_back(covariance(g.x));
    n.push_back(static_cast<double>(g.m));
    pooled += n.back() * s.back();
    total += n.back();
    unrelated -= n.back() * std::log(s.back().determinant());
  }
  pooled /= total;
  json j = groupsJson("RunCPC", "gorilla_groups/gorillas.csv");
  const json& rows = j["models"]["rows"];
  auto ll = [&](const std::string& model) {
    for (const json& r : rows) {
      if (r["model"] == model) {
        return r["log_likelihood"].get<double>();
      }
    }
    ADD_FAILURE() << model;
    return 0.0;
  };
  EXPECT_LT(relativeGap(ll("Equal Variance"), -total * std::log(pooled.determinant())), 1e-10);
  EXPECT_LT(relativeGap(ll("Independent Variance"), unrelated), 1e-10);
  EXPECT_LE(ll("Equal Variance"), ll("Proportional Variance"));
  EXPECT_LE(ll("Proportional Variance"), ll("Common Principal Components"));
  EXPECT_LE(ll("Common Principal Components"), ll("Independent Variance"));
  double weights = 0;
  for (const json& r : rows) {
    weights += r["weight"].get<double>();
  }
  EXPECT_NEAR(weights, 1.0, 1e-12);

  // FG: for every pair of common axes, Σg ng (λgi − λgj)/(λgi λgj) bi'·Sg·bj = 0,
  // relative to the size of its terms. The G step stops once its rotation
  // changes by at most 1e-8, so the residual is of that order.
  CommonComponents cpc = fluryCommonComponents(s, n);
  ASSERT_TRUE(cpc.settled);
  const Matrix& B = cpc.B;
  double worst = 0;
  for (Index i = 0; i < B.cols(); ++i) {
    for (Index l = i + 1; l < B.cols(); ++l) {
      double sum = 0, scale = 0;
      for (size_t g = 0; g < s.size(); ++g) {
        double li = B.col(i).dot(s[g] * B.col(i));
        double ll2 = B.col(l).dot(s[g] * B.col(l));
        sum += n[g] * (li - ll2) / (li * ll2) * B.col(i).dot(s[g] * B.col(l));
        scale += n[g] * std::abs(li - ll2) / std::sqrt(li * ll2);
      }
      worst = std::max(worst, std::abs(sum) / scale);
    }
  }
  EXPECT_LT(worst, 5e-8);
  RecordProperty("stationarity_residual", std::to_string(worst));
}

}  // namespace
}  // namespace vexmoor
