// The batch front end as a user meets it: the built binary, its standard
// output, standard error and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "batch_options.h"
#include "support/error_message.h"
#include "terminal_progress.h"

namespace vexmoor {
namespace {

using testing::errorMessage;

const std::string kGorf = VEXMOOR_EXAMPLES "/gorilla/gorf.txt";
const std::string kGorm = VEXMOOR_EXAMPLES "/gorilla/gorm.txt";

struct BatchRun {
  int status = -1;
  std::string out, err;
};

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return q + "'";
}

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class TempDir {
 public:
  TempDir() {
    m_path = std::filesystem::temp_directory_path() /
             ("vexmoor_cli_test_" + std::to_string(::getpid()) + "_" + std::to_string(++s_count));
    std::filesystem::create_directories(m_path);
  }
  ~TempDir() { std::filesystem::remove_all(m_path); }
  std::string file(const std::string& name, const std::string& text) const {
    std::filesystem::path p = m_path / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  std::filesystem::path path() const { return m_path; }

 private:
  static inline int s_count = 0;
  std::filesystem::path m_path;
};

// `stdoutTo` replaces the redirection of standard output (">/dev/full",
// ">&-"); `environment` goes before the command ("env -u NAME").
BatchRun runBatch(const std::vector<std::string>& args, const std::string& stdoutTo = "",
                  const std::string& environment = "") {
  TempDir dir;
  std::string command = environment + " " + quoted(VEXMOOR_BATCH);
  for (const std::string& a : args) {
    command += " " + quoted(a);
  }
  std::filesystem::path out = dir.path() / "out", err = dir.path() / "err";
  command += (stdoutTo.empty() ? " >" + quoted(out.string()) : " " + stdoutTo) + " 2>" +
             quoted(err.string()) + " </dev/null";
  BatchRun r;
  int raw = std::system(command.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = slurp(out);
  r.err = slurp(err);
  return r;
}

// A failure: status 1, nothing on standard output, one line "error: ..." on
// standard error. Returns the message after "error: ".
std::string failureOf(const BatchRun& r) {
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("error: ", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  if (r.err.size() < 8) {
    return r.err;
  }
  return r.err.substr(7, r.err.size() - 8);
}

const char* kGorillaTwo =
    "Results of the Angle between Planes Calculation\n"
    "The angle between the planes was 89.02, using 2 components\n"
    "Matlab angle 86.92\n"
    "Krzanowskis summed eigenvalue metric:   0.894\n";

TEST(Batch, PrintsTheResultTextAndNothingElse) {
  BatchRun r = runBatch({"DoMezeyAngle", kGorf, kGorm, "-k", "2"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kGorillaTwo);
  EXPECT_EQ(r.err, "");
}

TEST(Batch, RawCoordinatesAndOptionOrder) {
  BatchRun r = runBatch({"--raw", "-k", "1", "DoMezeyAngle", kGorf, kGorm});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Results of the Angle between Planes Calculation\n"
            "The angle between the planes was 15.93, using 1 components\n"
            "Matlab angle 15.93\n"
            "Krzanowskis summed eigenvalue metric:   0.925\n");
}

TEST(Batch, DiagnosticsGoToStandardErrorOnlyWhenAsked) {
  BatchRun r = runBatch({"DoMezeyAngle", kGorf, kGorm, "-k", "2", "--diagnostics"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kGorillaTwo);
  EXPECT_NE(r.err.find("ans ="), std::string::npos);
  EXPECT_NE(r.err.find("y3 ="), std::string::npos);
  EXPECT_NE(r.err.find("stempd ="), std::string::npos);
}

TEST(Batch, HelpNamesTheActions) {
  BatchRun r = runBatch({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("usage: vexmoor-batch ACTION GROUP1_FILE GROUP2_FILE", 0), 0u);
  EXPECT_NE(r.out.find("DoMezeyAngle, RunCPC"), std::string::npos);
}

TEST(Batch, CommandLineMistakes) {
  EXPECT_EQ(failureOf(runBatch({"Angle", kGorf, kGorm, "-k", "2"})),
            "unknown action \"Angle\"; valid actions: DoMezeyAngle, RunCPC, BootMezeyAngle, "
            "BootConMezeyAngle, RangeMezeyAngle, PermuteMezeyAngle, RandMezeyAngle, "
            "PrincipalComponents, RelativeEigenanalysis, CovarianceDistances, RandomSkewers, "
            "MatrixCorrelation, CommonSubspace");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, kGorm})),
            "DoMezeyAngle needs the number of principal components k");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, "-k", "2"})),
            "expected ACTION GROUP1_FILE GROUP2_FILE, got 2 arguments (see --help)");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, kGorm, "-k"})), "option -k needs a value");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, kGorm, "-k", "2", "--fast"})),
            "unknown option \"--fast\"");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, kGorm, "-k", "2", "-v", "x"})),
            "option -v: the resampling size v must be a whole number from 1 to 100; \"x\" is not a "
            "whole number");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, kGorm, "-k", "2", "-v", "0"})),
            "option -v: the resampling size v must be a whole number from 1 to 100; 0 is out of "
            "range");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, kGorm, "-k", "2", "--seed", "-3"})),
            "option --seed: the seed must be a whole number from 0 to 18446744073709551615; -3 is "
            "out of range");
  EXPECT_EQ(failureOf(runBatch({"BootMezeyAngle", kGorf, kGorm, "-k", "2", "-v", "99999999999",
                                "--seed", "18446744073709551615"})),
            "option -v: the resampling size v must be a whole number from 1 to 100; 99999999999 "
            "is out of range");
}

TEST(Batch, ComponentCountsThatDoNotFit) {
  for (const char* k : {"0", "13", "x", "-1"}) {
    std::string m = failureOf(runBatch({"DoMezeyAngle", kGorf, kGorm, "-k", k}));
    EXPECT_EQ(m.rfind("the number of components must be a number that rounds to a whole number "
                      "from 1 to 12",
                      0),
              0u)
        << m;
  }
}

TEST(Batch, FileErrorsNameTheFileAndLine) {
  TempDir dir;
  std::string lines = slurp(kGorf);
  std::string bad = dir.file("bad.txt", "1 2 3 4 5\n1 2 3 4 5\n1 2 x 4 5\n");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", bad, kGorm, "-k", "2"})),
            "file \"" + bad + "\", line 3: \"x\" is not a number");
  std::string ragged = dir.file("ragged.txt", "1 2 3 4 5 6 7\n1 2 3 4 5 6\n");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, ragged, "-k", "2"})),
            "file \"" + ragged + "\", line 2: 6 numbers where line 1 has 7");
  std::string empty = dir.file("empty.txt", "");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", empty, kGorm, "-k", "2"})),
            "file \"" + empty + "\" is empty");
  std::string missing = (dir.path() / "missing.txt").string();
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, missing, "-k", "2"})),
            "cannot open file \"" + missing + "\": No such file or directory");
  std::string named = dir.file("two\nlines.txt", "1 2 3\n1 2 x\n");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", named, kGorm, "-k", "2"})),
            "file \"" + dir.path().string() + "/two lines.txt\", line 2: \"x\" is not a number");
  std::string even = dir.file("even.txt", "1 2 3 4\n5 6 7 8\n");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", even, kGorm, "-k", "2"})),
            "file \"" + even +
                "\" has 4 values per line; two-dimensional data need 2k + 1 (k landmarks, then a "
                "trailing value)");
}

TEST(Batch, DataErrorsNameTheGroupAndSpecimen) {
  TempDir dir;
  std::string flat = slurp(kGorm);
  // Specimen 2 of group 2 gets all landmarks at one point.
  size_t second = flat.find('\n') + 1;
  size_t end = flat.find('\n', second);
  flat.replace(second, end - second, "4 4 4 4 4 4 4 4 4 4 4 4 4 4 4 4 200");
  std::string collapsed = dir.file("collapsed.txt", flat);
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, collapsed, "-k", "2"})),
            "group 2, specimen 2: all landmarks coincide (centroid size 0), so the specimen has no "
            "shape");
  std::string six = dir.file("six.txt",
                             "0 0 1 0 2 1 1 2 0 2 0.5 1 7\n0 0 1 0 2 1 1 3 0 2 0.5 1 "
                             "7\n0 0 1 0 2 2 1 2 0 2 0.5 1 7\n");
  EXPECT_EQ(
      failureOf(runBatch({"DoMezeyAngle", kGorf, six, "-k", "2"})),
      "the groups do not have the same landmarks: group 1 has 17 values for each specimen, group "
      "2 has 13");
}

using nlohmann::json;

std::vector<std::vector<std::string>> csvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::istringstream cellStream(line);
    std::string cell;
    while (std::getline(cellStream, cell, ',')) {
      cells.push_back(cell);
    }
    rows.push_back(cells);
  }
  return rows;
}

// The command line that the JSON settings describe.
std::vector<std::string> repeatedCommand(const json& j) {
  const json& s = j["settings"];
  std::vector<std::string> args{j["action"], s["files"][0], s["files"][1], "--json"};
  if (s["dimension"] == 3)
    args.push_back("--3d");
  if (!s["partial_warps"].get<bool>())
    args.push_back("--raw");
  if (!s["components"].is_null()) {
    args.insert(args.end(), {"-k", std::to_string(s["components"].get<int>())});
  }
  if (!s["v"].is_null())
    args.insert(args.end(), {"-v", std::to_string(s["v"].get<int>())});
  if (!s["seed"].is_null()) {
    args.insert(args.end(), {"--seed", std::to_string(s["seed"].get<std::uint64_t>())});
  }
  return args;
}

TEST(BatchJson, HoldsTheTextAndRepeatsFromItsSettings) {
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"DoMezeyAngle", kGorf, kGorm, "-k", "2"},
           {"RunCPC", kGorf, kGorm},
           {"PermuteMezeyAngle", kGorf, kGorm, "-k", "2"},
           {"BootConMezeyAngle", kGorf, kGorm, "-k", "1", "--raw", "-v", "2"}}) {
    BatchRun plain = runBatch(args);
    args.push_back("--json");
    BatchRun first = runBatch(args);
    ASSERT_EQ(first.status, 0) << first.err;
    json j = json::parse(first.out);
    EXPECT_EQ(j["schema"], "vexmoor-result/1");
    EXPECT_EQ(j["action"], args[0]);
    EXPECT_EQ(j["groups"][0]["specimens"], 30);
    EXPECT_EQ(j["groups"][0]["landmarks"], 8);
    bool resampling = args[0] != "DoMezeyAngle" && args[0] != "RunCPC";
    EXPECT_EQ(j["settings"]["seed"].is_null(), !resampling);
    if (!resampling) {
      EXPECT_EQ(j["text"].get<std::string>() + "\n", plain.out);
    }
    BatchRun again = runBatch(repeatedCommand(j));
    EXPECT_EQ(again.out, first.out) << args[0];
  }
  json cpc = json::parse(runBatch({"RunCPC", kGorf, kGorm, "--json"}).out);
  EXPECT_EQ(cpc["models"]["rows"].size(), 14u);  // 12 variables: 10 partial models
  EXPECT_EQ(cpc["models"]["rows"][0]["model"], "Equal Variance");
  EXPECT_TRUE(cpc["observed"].is_null());
  json angle = json::parse(runBatch({"DoMezeyAngle", kGorf, kGorm, "-k", "2", "--json"}).out);
  EXPECT_NEAR(angle["observed"]["angle"].get<double>(), 89.02, 0.005);
  EXPECT_NEAR(angle["observed"]["runtime_angle"].get<double>(), 86.92, 0.005);
  EXPECT_NEAR(angle["observed"]["metric"].get<double>(), 0.894, 0.0005);
}

// The replicate file against the JSON of the same run: the intervals are
// the sorted columns at their positions, the p-values recount exactly.
TEST(BatchReplicates, AgreeWithTheIntervalsAndPValues) {
  for (const char* action : {"BootMezeyAngle", "RangeMezeyAngle", "RandMezeyAngle"}) {
    TempDir dir;
    std::string csv = (dir.path() / "replicates.csv").string();
    BatchRun r =
        runBatch({action, kGorf, kGorm, "-k", "2", "--seed", "7", "--json", "--replicates", csv});
    ASSERT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out);
    std::vector<std::vector<std::string>> rows = csvRows(slurp(csv));
    ASSERT_EQ(rows.size(), 101u);
    std::vector<std::string> header(rows[0].begin() + 1, rows[0].end());
    EXPECT_EQ(header, j["replicate_columns"].get<std::vector<std::string>>());
    auto column = [&](const std::string& name) {
      size_t c = std::find(header.begin(), header.end(), name) - header.begin();
      std::vector<double> v;
      for (size_t i = 1; i < rows.size(); ++i) {
        v.push_back(std::stod(rows[i][c + 1]));
      }
      return v;
    };
    for (const json& interval : j["intervals"]) {
      std::vector<double> v = column(interval["column"]);
      std::sort(v.begin(), v.end());
      EXPECT_EQ(v[interval["position"].get<size_t>() - 1], interval["value"].get<double>())
          << interval["name"];
    }
    EXPECT_FALSE(j["p_values"].empty());
    for (const json& p : j["p_values"]) {
      std::vector<double> v = column(p["column"]);
      double observed = p["observed"];
      bool atLeast = p["extreme"] == "at_least";
      double extreme = static_cast<double>(std::count_if(
          v.begin(), v.end(), [&](double x) { return atLeast ? x >= observed : x <= observed; }));
      double pv = p["p"];
      EXPECT_EQ(pv, (1 + extreme) / 101.0) << p["name"];
      EXPECT_GE(pv, 1 / 101.0);
      EXPECT_LE(pv, 1.0);
    }
  }
}

TEST(BatchOutputs, PathsThatCannotBeWrittenFailBeforeAnyWork) {
  TempDir dir;
  std::string missing = (dir.path() / "no-such-folder" / "r.csv").string();
  EXPECT_EQ(failureOf(runBatch(
                {"BootMezeyAngle", kGorf, kGorm, "-k", "2", "-v", "100", "--replicates", missing})),
            "cannot write \"" + missing + "\": the folder \"" +
                (dir.path() / "no-such-folder").string() + "\" does not exist");
  std::filesystem::create_directory(dir.path() / "p.svg");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, kGorm, "-k", "2", "--plot",
                                (dir.path() / "p.svg").string()})),
            "cannot write \"" + (dir.path() / "p.svg").string() + "\": it is a folder");
  std::filesystem::create_directory(dir.path() / "d.csv");
  EXPECT_EQ(failureOf(runBatch({"PermuteMezeyAngle", kGorf, kGorm, "-k", "2", "--replicates",
                                (dir.path() / "d.csv").string()})),
            "cannot write \"" + (dir.path() / "d.csv").string() + "\": it is a folder");
  // A run that fails after the check leaves the old file and no other.
  std::string kept = dir.file("kept.csv", "old");
  std::string bad = dir.file("bad.txt", "1 2 x\n");
  failureOf(runBatch({"PermuteMezeyAngle", bad, kGorm, "-k", "2", "--replicates", kept}));
  EXPECT_EQ(slurp(kept), "old");
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) {
    ++files;
  }
  EXPECT_EQ(files, 4u);  // kept.csv, bad.txt and the folders d.csv, p.svg
}

TEST(BatchOutputs, NeverDestroyTheRunsInputs) {
  TempDir dir;
  std::string data = dir.file("g.txt", slurp(kGorf));
  std::filesystem::create_symlink(data, dir.path() / "link.csv");
  std::filesystem::create_hard_link(data, dir.path() / "hard.txt");
  std::vector<std::string> boot{"BootMezeyAngle", data, kGorm, "-k", "2", "--seed", "1"};
  auto with = [&](std::vector<std::string> extra, std::vector<std::string> args) {
    args.insert(args.end(), extra.begin(), extra.end());
    return failureOf(runBatch(args));
  };
  EXPECT_EQ(with({"--replicates", data}, boot),
            "option --replicates: \"" + data +
                "\" is the data file of this run; give another file, or the output would "
                "destroy it");
  std::string link = (dir.path() / "link.csv").string();
  EXPECT_EQ(with({"--replicates", link}, boot),
            "option --replicates: \"" + link + "\" is the data file \"" + data +
                "\" of this run under another name; give another file, or the output would "
                "destroy it");
  std::string hard = (dir.path() / "hard.txt").string();
  boot[1] = hard;
  EXPECT_NE(with({"--replicates", data}, boot).find("is the data file \"" + hard),
            std::string::npos);
  std::string table = dir.file("t.csv", slurp(VEXMOOR_EXAMPLES "/gorilla_groups/gorillas.csv"));
  std::string classes = dir.file("c.csv", slurp(VEXMOOR_EXAMPLES "/gorilla_groups/classifier.csv"));
  EXPECT_NE(
      with({"--replicates", table}, {"BootMezeyAngle", table, "--group-by", "group", "-k", "2"})
          .find("is the table of this run"),
      std::string::npos);
  EXPECT_NE(with({"--replicates", classes},
                 {"BootMezeyAngle", VEXMOOR_EXAMPLES "/gorilla_groups/gorillas.tps", "--classifier",
                  classes, "--by", "group", "-k", "2"})
                .find("is the classifier of this run"),
            std::string::npos);
  std::string svg = (dir.path() / "same.svg").string();
  boot[1] = data;
  EXPECT_EQ(with({"--replicates", svg, "--plot", svg}, boot),
            "options --replicates and --plot both write \"" + svg + "\"; give each its own file");
  EXPECT_EQ(slurp(data), slurp(kGorf));
  EXPECT_EQ(slurp(table), slurp(VEXMOOR_EXAMPLES "/gorilla_groups/gorillas.csv"));
  EXPECT_EQ(slurp(classes), slurp(VEXMOOR_EXAMPLES "/gorilla_groups/classifier.csv"));
  EXPECT_FALSE(std::filesystem::exists(svg));
}

TEST(BatchOutputs, FailedWritesToStandardOutputAreReported) {
  std::vector<std::string> angle{"DoMezeyAngle", kGorf, kGorm, "-k", "2"};
  if (std::filesystem::exists("/dev/full")) {
    BatchRun full = runBatch(angle, ">/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "error: cannot write standard output: No space left on device\n");
    std::vector<std::string> help{"--help"};
    EXPECT_EQ(runBatch(help, ">/dev/full").status, 1);
  }
  BatchRun closed = runBatch(angle, ">&-");
  EXPECT_EQ(closed.status, 1);
  EXPECT_EQ(closed.err, "error: cannot write standard output: Bad file descriptor\n");
  // /dev/stdout is written through standard output, in order, and stays a
  // link.
  TempDir dir;
  const std::string out = (dir.path() / "both.txt").string();
  std::vector<std::string> boot{"BootMezeyAngle", kGorf, kGorm,          "-k",         "2",
                                "--seed",         "1",   "--replicates", "/dev/stdout"};
  BatchRun both = runBatch(boot, ">" + quoted(out));
  ASSERT_EQ(both.status, 0) << both.err;
  std::string written = slurp(out);
  EXPECT_EQ(written.rfind("replicate,angle_group1", 0), 0u);
  EXPECT_NE(written.find("\nBootstrap Test of Angle\n"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_symlink("/dev/stdout"));
}

TEST(BatchOutputs, OptionsThatDoNotFitTheAction) {
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, kGorm, "-k", "2", "--replicates", "r.csv"})),
            "option --replicates: DoMezeyAngle draws no replicates; it needs a resampling test "
            "(BootMezeyAngle, BootConMezeyAngle, RangeMezeyAngle, PermuteMezeyAngle, "
            "RandMezeyAngle, RelativeEigenanalysis, CovarianceDistances, RandomSkewers, "
            "MatrixCorrelation, CommonSubspace)");
  EXPECT_EQ(failureOf(runBatch({"DoMezeyAngle", kGorf, kGorm, "-k", "2", "--plot", "a.jpg"})),
            "option --plot: \"a.jpg\" has no picture extension; use .svg, .png or .pdf");
}

TEST(BatchPlot, WritesEachPictureFormat) {
  TempDir dir;
  struct Case {
    const char* extension;
    std::string magic;
  } cases[] = {{".svg", "<?xml"}, {".png", "\x89PNG"}, {".pdf", "%PDF"}};
  for (const char* action : {"DoMezeyAngle", "RangeMezeyAngle", "PrincipalComponents"}) {
    for (const Case& c : cases) {
      std::string path = (dir.path() / (std::string(action) + c.extension)).string();
      // Qt's remarks on a missing runtime folder are not the program's.
      BatchRun r = runBatch({action, kGorf, kGorm, "-k", "2", "--seed", "1", "--plot", path}, "",
                            "env -u XDG_RUNTIME_DIR");
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.err, "");
      std::string bytes = slurp(path);
      EXPECT_EQ(bytes.substr(0, c.magic.size()), c.magic) << path;
      EXPECT_GT(bytes.size(), 1000u) << path;
    }
  }
  std::string svg = slurp(dir.path() / "RangeMezeyAngle.svg");
  EXPECT_NE(svg.find("observed"), std::string::npos);
  svg = slurp(dir.path() / "PrincipalComponents.svg");
  EXPECT_NE(svg.find("Where the subspaces part"), std::string::npos);
}

TEST(BatchComponents, JsonUnderItsKeysAndRefusals) {
  json j = json::parse(runBatch({"PrincipalComponents", kGorf, kGorm, "-k", "2", "--json"}).out);
  ASSERT_EQ(j["components"].size(), 2u);
  for (const json& g : j["components"]) {
    EXPECT_EQ(g["eigenvalues"].size(), 12u);
    ASSERT_EQ(g["axes"].size(), 2u);
    EXPECT_EQ(g["axes"][0]["displacement"].size(), 8u);     // landmarks
    EXPECT_EQ(g["axes"][0]["displacement"][0].size(), 2u);  // x, y
    EXPECT_EQ(g["axes"][0]["loading"].size(), 12u);
  }
  EXPECT_EQ(j["components"][1]["group"], "group 2");
  ASSERT_EQ(j["principal_angles"].size(), 2u);
  double a = j["principal_angles"][0], b = j["principal_angles"][1];
  EXPECT_NEAR(std::sqrt(a * a + b * b), j["observed"]["angle"].get<double>(), 1e-9);
  EXPECT_NEAR(j["observed"]["angle"].get<double>(), 89.02, 0.005);
  ASSERT_EQ(j["direction_pairs"].size(), 2u);
  EXPECT_EQ(j["direction_pairs"][1]["groups"].size(), 2u);
  EXPECT_EQ(j["scores"].size(), 59u);
  EXPECT_EQ(j["scores"][0]["identifier"], nullptr);
  EXPECT_EQ(j["scores"][58]["specimen"], 29);
  EXPECT_EQ(j["scores"][0]["pooled"].size(), 5u);

  TempDir dir;
  std::string third = dir.file("third.txt", slurp(kGorf));
  json three =
      json::parse(runBatch({"PrincipalComponents", kGorf, kGorm, third, "-k", "2", "--json"}).out);
  EXPECT_EQ(three["components"].size(), 3u);
  ASSERT_EQ(three["pairs"].size(), 3u);
  EXPECT_EQ(three["pairs"][1]["groups"], json({"gorf", "third"}));
  EXPECT_NEAR(three["pairs"][1]["angle"].get<double>(), 0.0, 1e-6);  // a group and its copy

  std::string picture = (dir.path() / "never.png").string();
  EXPECT_EQ(
      failureOf(runBatch({"PrincipalComponents", kGorf, kGorm, "-k", "13", "--plot", picture})),
      "the number of components must be a number that rounds to a whole number from 1 to "
      "12 (the number of shape variables); it is 13");
  EXPECT_FALSE(std::filesystem::exists(picture));
  std::string two = dir.file("two.txt", slurp(kGorf).substr(0, slurp(kGorf).find('\n') + 1));
  EXPECT_NE(failureOf(runBatch({"PrincipalComponents", two, kGorm, "-k", "2"})).find("1 specimen"),
            std::string::npos);
}

TEST(Batch, VersionAndEveryFlagInTheHelp) {
  BatchRun v = runBatch({"--version"});
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out.rfind("vexmoor-batch ", 0), 0u);
  BatchRun h = runBatch({"--help"});
  EXPECT_EQ(h.out.back(), '\n');
  for (const char* flag : {"--3d", "--raw", "-k K", "-v V", "--seed N", "--json", "--replicates",
                           "--plot", "--pcs M", "--diagnostics", "--help", "--version"}) {
    EXPECT_NE(h.out.find(flag), std::string::npos) << flag;
  }
}

TEST(BatchOptions, ParsesEverySetting) {
  BatchOptions o = parseBatchOptions({"BootMezeyAngle", "a.txt", "b.txt", "--raw", "-k", "3.6",
                                      "-v", "2", "--seed", "42", "--diagnostics"});
  EXPECT_EQ(o.action, "BootMezeyAngle");
  EXPECT_EQ(o.files, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_TRUE(o.raw);
  EXPECT_FALSE(o.threeD);
  EXPECT_EQ(o.components, "3.6");
  EXPECT_EQ(o.bootValue, 2);
  EXPECT_EQ(o.seed, 42u);
  EXPECT_TRUE(o.diagnostics);
  EXPECT_FALSE(o.json);
  BatchOptions outputs = parseBatchOptions({"RangeMezeyAngle", "a", "b", "-k", "1", "--json",
                                            "--replicates", "r.csv", "--plot", "h.PDF"});
  EXPECT_TRUE(outputs.json);
  EXPECT_EQ(outputs.replicatesFile, "r.csv");
  EXPECT_EQ(outputs.plotFile, "h.PDF");
  BatchOptions cpc = parseBatchOptions({"RunCPC", "a.txt", "b.txt", "--3d"});
  EXPECT_TRUE(cpc.threeD);
  EXPECT_FALSE(cpc.components);
  EXPECT_EQ(cpc.bootValue, 1);
  EXPECT_FALSE(cpc.seed);
  EXPECT_EQ(cpc.pcs, 0);
  EXPECT_EQ(parseBatchOptions({"RunCPC", "a.txt", "b.txt", "--pcs", "5"}).pcs, 5);
  EXPECT_EQ(errorMessage([] {
              parseBatchOptions({"RunCPC", "a", "b", "--pcs", "0"});
            }),
            "option --pcs: the number of pooled principal components pcs must be a whole number "
            "from 1 to 2147483647; 0 is out of range");
  EXPECT_EQ(errorMessage([] {
              parseBatchOptions({"DoMezeyAngle", "a", "b", "-k", "2", "--pcs", "3"});
            }),
            "pcs chooses the variables of RunCPC's models; DoMezeyAngle fits none");
}

// A run with components prints the line that says so above the table, and
// its JSON gives the count and the share.
TEST(BatchCpc, PooledComponentsAreSaidAndKept) {
  BatchRun r = runBatch({"RunCPC", kGorf, kGorm, "--pcs", "4"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Fitted to the scores of the first 4 principal components of the pooled "
                        "within-group covariance matrix, which hold ",
                        0),
            0u);
  EXPECT_NE(r.out.find("% of its variance\nResults of CPC Analysis\n"), std::string::npos) << r.out;
  nlohmann::json j =
      nlohmann::json::parse(runBatch({"RunCPC", kGorf, kGorm, "--pcs", "4", "--json"}).out);
  EXPECT_EQ(j["models"]["principal_components"]["count"], 4);
  EXPECT_GT(j["models"]["principal_components"]["variance_share"].get<double>(), 0.5);
  EXPECT_TRUE(
      nlohmann::json::parse(
          runBatch({"RunCPC", kGorf, kGorm, "--json"}).out)["models"]["principal_components"]
          .is_null());
}

// The progress line: what is done of what, and the time left where the
// total is known; nothing at all in a short run.
TEST(TerminalProgress, LineSaysWhatIsDoneAndWhatIsLeft) {
  EXPECT_EQ(TerminalProgress::line("pair 3 of 45", 250, 4500, "replicates", 12.0),
            "pair 3 of 45; 250 of 4,500 replicates; 0:12 elapsed, about 3:24 left");
  EXPECT_EQ(TerminalProgress::line("sweep 40, φ changed by 2.1e-09", 40, 0, "", 3725.0),
            "sweep 40, φ changed by 2.1e-09; 1:02:05 elapsed");
  struct Never : Progress {
    void report(std::int64_t, std::int64_t) override {}
    bool cancelRequested() const override { return false; }
  } never;
  std::ostringstream out;
  {
    TerminalProgress quick(never, out, true, "replicates");
    quick.describe("pair 1 of 3");
    quick.report(5, 300);
  }
  EXPECT_EQ(out.str(), "");
}

TEST(BatchOptions, RepeatsMisplacedValuesAndControlBytesAreNamed) {
  auto message = [](std::vector<std::string> extra) {
    std::vector<std::string> args{"BootMezeyAngle", "a.txt", "b.txt"};
    args.insert(args.end(), extra.begin(), extra.end());
    return errorMessage([&] { parseBatchOptions(args); });
  };
  EXPECT_EQ(message({"-k", "2", "-k", "3"}), "option -k was given twice; give it once");
  EXPECT_EQ(message({"-k2", "--seed=1", "--seed", "2"}),
            "option --seed was given twice; give it once");
  EXPECT_EQ(message({"-k", "2", "--json", "--json"}),
            "option --json was given twice; give it once");
  EXPECT_EQ(message({"--group-by", "-k", "2"}),
            "option --group-by needs a value; it is followed by option -k");
  EXPECT_EQ(message({"-k", "2", "--replicates"}), "option --replicates needs a value");
  // A negative number is a value, not an option.
  EXPECT_EQ(message({"-k", "2", "-v", "-1"}),
            "option -v: the resampling size v must be a whole number from 1 to 100; -1 is out of "
            "range");
  EXPECT_EQ(message({"-k", "2", "-v", "1\x1b"}),
            "option -v: the resampling size v must be a whole number from 1 to 100; \"1\\x1b\" is "
            "not a whole number");
  EXPECT_EQ(message({"-k", "2", "--seed", "\x07"}),
            "option --seed: the seed must be a whole number from 0 to 18446744073709551615; "
            "\"\\x07\" is not a whole number");
  EXPECT_EQ(message({"-k", "2", "--x\x01"}), "unknown option \"--x\\x01\"");
  EXPECT_EQ(errorMessage([] {
              parseBatchOptions({"Do\x1b]0;x\x07Mezey", "a", "b"});
            }).rfind("unknown action \"Do\\x1b]0;x\\x07Mezey\"", 0),
            0u);
}

}  // namespace
}  // namespace vexmoor
