// The complete RunCPC texts of the bundled groups and of generated groups,
// kept character for character in run_cpc_texts.txt. Faster arithmetic must
// reproduce them exactly: the sweeps stop only when Flury's criterion
// repeats to the last bit, and the singular groups print values that are
// rounding noise, so any change in the order of operations shows here.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "compare/analysis_input.h"
#include "compare/principal_axes.h"
#include "cpc/flury_cpc.h"
#include "cpc/model_hierarchy.h"
#include "cpc_test_support.h"
#include "io/group_file.h"
#include "io/landmark_file.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

using testing::RecordingHost;

std::map<std::string, std::string> pinnedTexts() {
  std::ifstream in(VEXMOOR_CPC_TEXTS);
  std::map<std::string, std::string> texts;
  std::string line, key;
  while (std::getline(in, line)) {
    if (line.rfind("@ ", 0) == 0) {
      key = line.substr(2);
      texts[key];
    } else if (!key.empty()) {
      std::string& t = texts[key];
      t += (t.empty() ? "" : "\n") + line;
    }
  }
  return texts;
}

const std::string& pinned(const std::string& name) {
  static const std::map<std::string, std::string> texts = pinnedTexts();
  auto it = texts.find(name);
  EXPECT_NE(it, texts.end()) << name;
  static const std::string missing;
  return it == texts.end() ? missing : it->second;
}

Matrix example(const char* path) {
  return readLandmarkFile(std::string(VEXMOOR_EXAMPLES "/") + path);
}

AnalysisInput prepared(const Matrix& a, const Matrix& b, bool threeD, bool partialWarps) {
  AnalysisSettings settings;
  settings.threeD = threeD;
  settings.partialWarps = partialWarps;
  return prepareAnalysis(&a, &b, settings, ConsensusRounding::kFourDecimals,
                         ComponentsText::kIgnore, silentHost());
}

// The text without a console and with one (which forms every partial
// model's estimates to show them): both must be the pinned one.
void expectPinned(const AnalysisInput& in, const std::string& name) {
  EXPECT_EQ(runCpcText(in, silentHost()), pinned(name)) << name;
  RecordingHost host;
  EXPECT_EQ(runCpcText(in, host), pinned(name)) << name << " with a console";
}

// n specimens of k landmarks around an ellipse with a few smooth
// deformations of group-specific size plus noise; the last column is 1.
Matrix generatedGroup(Index n, Index k, double stretch, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> normal;
  Matrix data(n, 2 * k + 1);
  for (Index s = 0; s < n; ++s) {
    double a = 0.15 * stretch * normal(gen), b = 0.1 * normal(gen), c = 0.05 * normal(gen);
    for (Index i = 0; i < k; ++i) {
      double t = 2 * kPi * static_cast<double>(i) / static_cast<double>(k);
      data(s, 2 * i) = (2 + a) * std::cos(t) + c * std::cos(3 * t) + 0.02 * normal(gen);
      data(s, 2 * i + 1) =
          (1 + b) * std::sin(t) + c * stretch * std::sin(2 * t) + 0.02 * normal(gen);
    }
    data(s, 2 * k) = 1.0;
  }
  return data;
}

TEST(RunCpcTexts, BundledGroupsGiveTheirTextsWithAndWithoutAConsole) {
  Matrix gorf = example("gorilla/gorf.txt");
  Matrix gorm = example("gorilla/gorm.txt");
  expectPinned(prepared(gorf, gorm, false, true), "gorilla");
  EXPECT_THAT([&] { runCpcText(prepared(gorf, gorm, false, false), silentHost()); },
              ::testing::ThrowsMessage<Error>(
                  "the x coordinate of landmark 3 (column 5 of the landmark data) has zero "
                  "variance in both groups (the same value in every specimen), so the common "
                  "principal components cannot be estimated; analyse partial warps, which "
                  "superimpose the specimens, instead"));

  // Three dimensions: always shape variables, whatever the partial-warp
  // switch. With 9 specimens for 13 variables the action refuses the
  // groups; the table of the hierarchy function is still the pinned one.
  Matrix macf = example("macaque/macf.txt");
  Matrix macm = example("macaque/macm.txt");
  for (bool partialWarps : {true, false}) {
    AnalysisInput in = prepared(macf, macm, true, partialWarps);
    EXPECT_THROW(runCpcText(in, silentHost()), Error);
    Matrix s1 = covariance(in.x1), s2 = covariance(in.x2);
    EXPECT_EQ(flury_aic(s1, s2, 9, 9), pinned("macaque"));
    RecordingHost host;
    EXPECT_EQ(flury_aic(s1, s2, 9, 9, host), pinned("macaque")) << "with a console";
  }

  Matrix a = readGroupFile(VEXMOOR_EXAMPLES "/measurements/synthetic_a.csv").data;
  Matrix b = readGroupFile(VEXMOOR_EXAMPLES "/measurements/synthetic_b.csv").data;
  expectPinned(prepared(a, b, false, false), "measurements");
}

TEST(RunCpcTexts, GeneratedGroupsGiveTheirTexts) {
  // 40 shape variables: hundreds of sweeps before the criterion repeats.
  AnalysisInput regular =
      prepared(generatedGroup(60, 22, 1.0, 1), generatedGroup(55, 22, 2.0, 2), false, true);
  expectPinned(regular, "generated40");
  CommonComponents fit =
      fluryCommonComponents({covariance(regular.x1), covariance(regular.x2)}, {60, 55});
  EXPECT_EQ(fit.sweeps, 391);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(fit.phi),
            std::bit_cast<std::uint64_t>(891.48558741105944));

  // Fewer specimens than variables: the partial models print rounding noise
  // (the action refuses such groups; the hierarchy function prints them).
  AnalysisInput singular =
      prepared(generatedGroup(30, 22, 1.0, 1), generatedGroup(35, 22, 2.0, 2), false, true);
  EXPECT_EQ(flury_aic(covariance(singular.x1), covariance(singular.x2), 30, 35),
            pinned("generated40_singular"));
}

// From 48 variables each sweep's criterion runs beside the next sweep: the
// same sweeps, stopped at the same one, to the last bit.
TEST(RunCpcTexts, SweepsBesideTheCriterionStopWhereOneAfterTheOtherDo) {
  AnalysisInput in =
      prepared(generatedGroup(80, 27, 1.0, 3), generatedGroup(75, 27, 2.0, 4), false, true);
  std::vector<Matrix> s = {covariance(in.x1), covariance(in.x2)};
  ASSERT_EQ(s[0].rows(), 50);
  CommonComponents fit = fluryCommonComponents(s, {80, 75});
  EXPECT_TRUE(fit.settled);
  EXPECT_EQ(fit.sweeps, 270);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(fit.phi), 0x40944273104028f6u);

  CpcLimits limits;
  limits.maxSweeps = 3;
  CommonComponents bounded = fluryCommonComponents(s, {80, 75}, limits);
  EXPECT_FALSE(bounded.settled);
  EXPECT_EQ(bounded.sweeps, 3);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(bounded.phi), 0x4098d61a26aed87eu);
  limits.maxSweeps = 0;
  EXPECT_FALSE(fluryCommonComponents(s, {80, 75}, limits).settled);
}

TEST(RunCpcTexts, FourGroupsGiveTheirText) {
  AnalysisInput in =
      prepared(example("gorilla/gorf.txt"), example("gorilla/gorm.txt"), false, true);
  std::vector<Matrix> s;
  std::vector<double> n;
  for (const Matrix* x : {&in.x1, &in.x2}) {
    Index half = x->rows() / 2;
    s.push_back(covariance(x->topRows(half)));
    n.push_back(static_cast<double>(half));
    s.push_back(covariance(x->bottomRows(x->rows() - half)));
    n.push_back(static_cast<double>(x->rows() - half));
  }
  EXPECT_EQ(modelHierarchyText(fitModelHierarchy(s, n)), pinned("gorilla_halves"));
  RecordingHost host;
  EXPECT_EQ(modelHierarchyText(fitModelHierarchy(s, n, host)), pinned("gorilla_halves"));
}

}  // namespace
}  // namespace vexmoor

namespace vexmoor {
namespace {

// The sweeps are reported (count and φ's change) and stop when asked.
class SweepWatch : public Progress {
 public:
  explicit SweepWatch(size_t stopAfter) : m_stopAfter(stopAfter) {}
  void report(std::int64_t done, std::int64_t total) override {
    EXPECT_EQ(total, 0);
    EXPECT_EQ(done, static_cast<std::int64_t>(descriptions.size()));
  }
  bool cancelRequested() const override { return descriptions.size() >= m_stopAfter; }
  void describe(std::string_view text) override { descriptions.emplace_back(text); }
  std::vector<std::string> descriptions;

 private:
  size_t m_stopAfter;
};

TEST(RunCpcTexts, GroupsWithoutMoreSpecimensThanVariablesAreRefusedAtOnce) {
  Matrix a = generatedGroup(30, 22, 1.0, 1), b = generatedGroup(35, 22, 2.0, 2);
  AnalysisInput singular = prepared(a, b, false, true);
  EXPECT_THAT([&] { runCpcText(singular, silentHost()); },
              ::testing::ThrowsMessage<Error>(
                  "group 1 has 30 specimens for 40 variables, so its covariance matrix is "
                  "singular and the covariance models cannot be compared; fit them to fewer "
                  "principal components than the smallest group has specimens (--pcs)"));

  AnalysisInput regular =
      prepared(generatedGroup(60, 22, 1.0, 1), generatedGroup(55, 22, 2.0, 2), false, true);
  SweepWatch watch(3);
  EXPECT_THROW(fluryCommonComponents({covariance(regular.x1), covariance(regular.x2)}, {60, 55}, {},
                                     {}, &watch),
               Cancelled);
  ASSERT_EQ(watch.descriptions.size(), 3u);
  EXPECT_EQ(watch.descriptions[0].rfind("sweep 1, φ changed by ", 0), 0u);
}

// --pcs M: the hierarchy of the scores on the pooled within-group
// principal components, below a line that says so.
TEST(RunCpcTexts, PooledComponentsFitTheHierarchyToTheirScores) {
  AnalysisInput in =
      prepared(generatedGroup(30, 22, 1.0, 1), generatedGroup(35, 22, 2.0, 2), false, true);
  const int m = 6;
  CpcResult fit = runCpc(in, silentHost(), {m, nullptr});
  // The pooled within-group covariance and its spectrum, independently.
  Matrix pooled = (29 * covariance(in.x1) + 34 * covariance(in.x2)) / 63.0;
  Eigen::SelfAdjointEigenSolver<Matrix> eig(pooled);
  double share = eig.eigenvalues().tail(m).sum() / pooled.trace();
  EXPECT_NEAR(fit.models.componentShare, share, 1e-12);
  std::vector<std::string> lines;
  std::stringstream text(fit.text);
  for (std::string line; std::getline(text, line);) {
    lines.push_back(line);
  }
  ASSERT_EQ(lines.size(), 3u + 3u + 1u + (m - 2) + 1u);
  EXPECT_EQ(lines[0], pooledComponentsLine(m, share));
  EXPECT_EQ(lines[0].rfind("Fitted to the scores of the first 6 principal components of the "
                           "pooled within-group covariance matrix, which hold ",
                           0),
            0u);
  EXPECT_EQ(lines[1], "Results of CPC Analysis");
  // Models without sweeps, from the scores' determinants.
  Matrix axes = eig.eigenvectors().rightCols(m);
  Matrix s1 = covariance(in.x1 * axes), s2 = covariance(in.x2 * axes);
  double equal = -65 * std::log((30 * s1 + 35 * s2).determinant() / std::pow(65.0, m));
  double independent = -30 * std::log(s1.determinant()) - 35 * std::log(s2.determinant());
  EXPECT_NEAR(fit.models.identical.ll, equal, 1e-8 * std::abs(equal));
  EXPECT_NEAR(fit.models.indep.ll, independent, 1e-8 * std::abs(independent));

  EXPECT_THAT(
      [&] {
        runCpc(in, silentHost(), {30, nullptr});
      },
      ::testing::ThrowsMessage<Error>(
          "the number of principal components for the covariance models must be a whole "
          "number from 1 to 29 (fewer than the 30 specimens of group 1, and at most the "
          "40 variables); it is 30"));
}

}  // namespace
}  // namespace vexmoor
