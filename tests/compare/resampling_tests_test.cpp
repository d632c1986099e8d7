#include "compare/resampling_tests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "analyses/analysis_actions.h"
#include "compare/flury_loglike.h"
#include "compare/principal_axes.h"
#include "compare/resampling_replicates.h"
#include "compare/subspace_angle.h"
#include "io/landmark_file.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace vexmoor {
namespace {

constexpr std::uint64_t kSeed = 424242;

Matrix gorilla(const char* file, Index rows = -1) {
  Matrix x = readLandmarkFile(std::string(VEXMOOR_EXAMPLES "/gorilla/") + file);
  return rows < 0 ? x : Matrix(x.topRows(rows));
}

// Specimens of `landmarks` 2D points around a circle, each coordinate
// jittered with a spread of its own; the trailing value is a running number.
Matrix synthetic(Index specimens, int landmarks, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::normal_distribution<double> normal;
  Matrix x(specimens, 2 * landmarks + 1);
  for (Index s = 0; s < specimens; ++s) {
    for (int l = 0; l < landmarks; ++l) {
      x(s, 2 * l) = std::cos(2 * kPi * l / landmarks) + 0.05 * (l + 1) * normal(random);
      x(s, 2 * l + 1) = std::sin(2 * kPi * l / landmarks) + (0.03 * l + 0.011) * normal(random);
    }
    x(s, 2 * landmarks) = static_cast<double>(s + 1);
  }
  return x;
}

AnalysisInput prepared(const Matrix& g1, const Matrix& g2, bool partialWarps = true, int k = 2) {
  AnalysisSettings settings;
  settings.partialWarps = partialWarps;
  settings.componentsText = std::to_string(k);
  return prepareAnalysis(&g1, &g2, settings, ConsensusRounding::kNone, ComponentsText::kRead,
                         silentHost());
}

ResamplingOptions seeded(int v = 1, int threads = 0) {
  return {v, kSeed, nullptr, threads};
}

// ---- The replicates recomputed from their definitions, one by one. ----

Index drawPosition(ReplicateStream& s, Index m) {
  return static_cast<Index>(std::ceil(static_cast<double>(m) * s.uniform())) - 1;
}

Matrix drawnRows(ReplicateStream& s, const Matrix& source, Index count, Index from) {
  Matrix out(count, source.cols());
  for (Index a = 0; a < count; ++a) {
    out.row(a) = source.row(drawPosition(s, from));
  }
  return out;
}

Matrix shuffled(ReplicateStream& s, const Matrix& source, Index m, Index p) {
  std::vector<Index> rows(m), columns(p);
  for (Index& r : rows) {
    r = drawPosition(s, m);
  }
  for (Index& c : columns) {
    c = drawPosition(s, p);
  }
  Matrix out(m, p);
  for (Index a = 0; a < m; ++a) {
    for (Index b = 0; b < p; ++b) {
      out(a, b) = source(rows[a], columns[b]);
    }
  }
  return out;
}

Matrix noise(ReplicateStream& s, Index m, Index r) {
  Matrix u(m, r);
  for (Index j = 0; j < r; ++j) {
    for (Index i = 0; i < m; ++i) {
      u(i, j) = s.uniform();
    }
  }
  return 2 * u.array() - 1;
}

struct Pair {
  double angle, metric, flury;
};

Pair statistics(const Matrix& a, const Matrix& b, int k) {
  return {mezeyangle(a, b, k).angle, krzanangle(a, b, k).metric,
          fluryloglike(covariance(a), covariance(b), covarianceOfStacked(a, b),
                       static_cast<double>(a.rows()), static_cast<double>(b.rows()))};
}

std::vector<double> replicate(ResamplingTest test, const AnalysisInput& in, Index i) {
  ReplicateStream s(kSeed, static_cast<std::uint64_t>(i));
  const Index m1 = in.m1, m2 = in.m2, smaller = std::min(m1, m2);
  const Index r = in.pwactive ? in.n - 1 : in.n;
  const int k = in.npca;
  switch (test) {
    case ResamplingTest::kBoot:
    case ResamplingTest::kRange: {
      Matrix a1 = drawnRows(s, in.source1, m1, m1);
      Matrix b1 = drawnRows(s, in.source1, m1, m1);
      Matrix a2 = drawnRows(s, in.source2, m2, m2);
      Matrix b2 = drawnRows(s, in.source2, smaller, m2);
      Pair g1 = statistics(a1, b1, k), g2 = statistics(a2, b2, k);
      if (test == ResamplingTest::kBoot) {
        return {g1.angle, g2.angle, g1.metric, g2.metric};
      }
      Matrix n1 = noise(s, m1, r);
      Matrix n2 = noise(s, m2, r);
      Pair g3 = statistics(n1, n2, k);
      return {g1.angle,  g2.angle, g3.angle, g1.metric, g2.metric,
              g3.metric, g1.flury, g2.flury, g3.flury};
    }
    case ResamplingTest::kBootRange: {
      Matrix a = drawnRows(s, in.source1, m1, m1);
      Matrix b = drawnRows(s, in.source2, m2, m2);
      Pair p = statistics(a, b, k);
      return {p.angle, p.metric};
    }
    case ResamplingTest::kShuffle: {
      Matrix a = shuffled(s, in.source1, m1, in.n - 1);
      Matrix b = shuffled(s, in.source2, m2, in.n - 1);
      Pair p = statistics(a, b, k);
      return {p.angle, p.metric};
    }
    case ResamplingTest::kRandomization: {
      Matrix a = noise(s, m1, r);
      Matrix b = noise(s, m2, r);
      Pair p = statistics(a, b, k);
      return {p.angle, p.metric};
    }
  }
  return {};
}

void expectSameReplicates(ResamplingTest test, const AnalysisInput& in, const std::string& label) {
  SCOPED_TRACE(label);
  ReplicateResults r = resamplingReplicates(test, in, seeded(1, 2), silentHost());
  ASSERT_EQ(r.count(), replicateCount(test, 1));
  std::vector<std::vector<double>> columns(static_cast<size_t>(r.statistics()));
  for (Index i = 0; i < r.count(); ++i) {
    std::vector<double> values = replicate(test, in, i);
    ASSERT_EQ(values.size(), columns.size());
    for (size_t s = 0; s < values.size(); ++s) {
      columns[s].push_back(values[s]);
    }
  }
  for (int s = 0; s < r.statistics(); ++s) {
    std::vector<double>& expected = columns[static_cast<size_t>(s)];
    auto numbers =
        std::partition(expected.begin(), expected.end(), [](double v) { return !std::isnan(v); });
    std::sort(expected.begin(), numbers);
    for (Index i = 0; i < r.count(); ++i) {
      double want = expected[static_cast<size_t>(i)], got = r.sorted(s)[static_cast<size_t>(i)];
      if (std::isnan(want) || std::isinf(want)) {
        EXPECT_EQ(std::isnan(got), std::isnan(want)) << "statistic " << s << " position " << i;
      } else {
        EXPECT_NEAR(got, want, 1e-7 * std::max(1.0, std::abs(want)))
            << "statistic " << s << " position " << i;
      }
    }
  }
}

TEST(ResamplingReplicates, BootstrapSampleSizesFollowTheGroups) {
  // Group 1's samples always have m1 rows; group 2's second one min(m1, m2).
  expectSameReplicates(ResamplingTest::kBoot,
                       prepared(gorilla("gorf.txt", 10), gorilla("gorm.txt", 20)),
                       "m1 = 10, m2 = 20");
  expectSameReplicates(ResamplingTest::kBoot,
                       prepared(gorilla("gorf.txt", 20), gorilla("gorm.txt", 10)),
                       "m1 = 20, m2 = 10");
  expectSameReplicates(ResamplingTest::kBootRange,
                       prepared(gorilla("gorf.txt"), gorilla("gorm.txt")), "boot range");
}

TEST(ResamplingReplicates, RangeTestIncludingFlury) {
  // Enough specimens for regular covariances, m1 < m2 so that group 2's
  // second sample is smaller than its first.
  Matrix g1 = synthetic(40, 4, 1), g2 = synthetic(80, 4, 2);
  expectSameReplicates(ResamplingTest::kRange, prepared(g1, g2), "partial warps");
  expectSameReplicates(ResamplingTest::kRange, prepared(g1, g2, false), "raw coordinates");
}

TEST(ResamplingReplicates, ShuffleAndRandomization) {
  Matrix g1 = gorilla("gorf.txt"), g2 = gorilla("gorm.txt");
  expectSameReplicates(ResamplingTest::kShuffle, prepared(g1, g2), "shuffle");
  expectSameReplicates(ResamplingTest::kRandomization, prepared(g1, g2), "randomization");
  Matrix s1 = synthetic(30, 4, 3), s2 = synthetic(25, 4, 4);
  expectSameReplicates(ResamplingTest::kShuffle, prepared(s1, s2, false), "shuffle, raw");
  expectSameReplicates(ResamplingTest::kRandomization, prepared(s1, s2, false),
                       "randomization, raw: one column more");
}

TEST(ResamplingReplicates, WholeLandmarkRowsWhenTheSourceIsWider) {
  // A resampling source wider than the analysed variables: the bootstrap
  // replicates take whole rows, the shuffle its first n - 1 columns.
  AnalysisInput in;
  // Enough specimens that no bootstrap sample's covariance is singular.
  in.source1 = synthetic(45, 5, 5);  // 11 columns
  in.source2 = synthetic(40, 5, 6);
  in.pwscore1 = in.source1.leftCols(6);
  in.pwscore2 = in.source2.leftCols(6);
  in.x1 = in.pwscore1.leftCols(5);
  in.x2 = in.pwscore2.leftCols(5);
  in.m1 = 45;
  in.m2 = 40;
  in.n = 6;
  in.npca = 2;
  in.pwactive = false;
  for (ResamplingTest t :
       {ResamplingTest::kBoot, ResamplingTest::kBootRange, ResamplingTest::kRange,
        ResamplingTest::kShuffle, ResamplingTest::kRandomization}) {
    expectSameReplicates(t, in, "test " + std::to_string(static_cast<int>(t)));
  }
}

// ---- The texts. ----

struct Observed {
  double angle, maxAngle, metric;
};

Observed observed(const AnalysisInput& in) {
  MezeyAngle a = mezeyangle(in.x1, in.x2, in.npca);
  return {a.angle, a.maxAngle, krzanangle(in.x1, in.x2, in.npca).metric};
}

TEST(ResamplingTexts, BootstrapTestShowsItsPositions) {
  AnalysisInput in = prepared(gorilla("gorf.txt"), gorilla("gorm.txt"));
  ReplicateResults r = resamplingReplicates(ResamplingTest::kBoot, in, seeded(2), silentHost());
  Observed o = observed(in);
  std::string expected =
      "Bootstrap Test of Angle" +
      format(
          "\nThe observed angle was %4.2f,\n the upper 95th percentiles over 400 bootstraps:\n "
          "group 1: %4.2f group 2: %4.2f",
          {o.angle, r.at(kBootAngle1, 390), r.at(kBootAngle2, 390)}) +
      format(
          "\nThe observed Krzanowski metric was %4.2f,\n the lower 95th percentiles over 400 "
          "bootstraps:\n group 1: %4.2f group 2: %4.2f",
          {o.metric, r.at(kBootMetric1, 10), r.at(kBootMetric2, 10)});
  EXPECT_EQ(bootMezeyAngleText(in, seeded(2), silentHost()), expected);
}

TEST(ResamplingTexts, BootstrapRangeShowsItsPositions) {
  AnalysisInput in = prepared(gorilla("gorf.txt"), gorilla("gorm.txt"));
  ReplicateResults r =
      resamplingReplicates(ResamplingTest::kBootRange, in, seeded(3), silentHost());
  Observed o = observed(in);
  std::string expected =
      "Bootstrap Test of Range of Angle" +
      format("\nThe observed angle was %4.2f, the 95th range over 300 bootstraps: %4.2f to %4.2f",
             {o.angle, r.at(kPairAngle, 7), r.at(kPairAngle, 293)}) +
      format(
          "\nThe observed Krzanowski metric was %4.2f, the 95th range over 300 bootstraps: "
          "%4.2f to %4.2f",
          {o.metric, r.at(kPairMetric, 7), r.at(kPairMetric, 293)});
  EXPECT_EQ(bootConMezeyAngleText(in, seeded(3), silentHost()), expected);
}

TEST(ResamplingTexts, RangeTestSectionsInOrder) {
  Matrix g1 = gorilla("gorf.txt"), g2 = gorilla("gorm.txt");
  AnalysisInput in = prepared(g1, g2);
  ReplicateResults r = resamplingReplicates(ResamplingTest::kRange, in, seeded(2), silentHost());
  Observed o = observed(in);
  double florig =
      fluryloglike(covariance(in.x1), covariance(in.x2), covarianceOfStacked(in.x1, in.x2), 30, 29);
  std::string expected =
      "Bootstrap Test of Angle" +
      format(
          "\nThe observed angle was %4.2f, the 97.5th percentiles over 400 bootstraps: group "
          "1: %4.2f group 2: %4.2f",
          {o.angle, r.at(kRangeAngle1, 395), r.at(kRangeAngle2, 395)}) +
      format(
          "\nThe observed Krzanowski metric was %4.2f, the lower 97.5th percentiles over 400 "
          "bootstraps: group 1: %4.3f group 2: %4.3f",
          {o.metric, r.at(kRangeMetric1, 5), r.at(kRangeMetric2, 5)}) +
      "\nThe maximal angle under these conditions is 127.28" +  // p = 12, k = 2
      "\n\nRandom Shuffle Test of Angle" +
      format(
          "\nThe observed angle was %4.2f,\n the 97.5th percentiles over 400 randomizations: "
          "%4.2f to %4.2f",
          {o.angle, r.at(kRangeAngleRandom, 5), r.at(kRangeAngleRandom, 395)}) +
      format("\n\nThe maximal angle under these conditions is %3.2f",
             {r.at(kRangeAngleRandom, 400)}) +
      "\nThe Log-likelihood ratio test of Matrices (Flury)" +
      format(
          "\nThe observed Krzanowski metric was %4.3f,\n the 97.5th percentiles over 400 "
          "randomizations: %4.3f to %4.3f",
          {o.metric, r.at(kRangeMetricRandom, 5), r.at(kRangeMetricRandom, 395)}) +
      format("\nObserved Chi^2 = %4.4f", {florig}) +
      format("\n95 percent upper bound on Group1 Chi^2=%4.4f", {r.at(kRangeFlury1, 380)}) +
      format("\n95 percent upper bound on Group2 Chi^2=%4.4f", {r.at(kRangeFlury2, 380)}) +
      format("\n95 percent lower bound on Random Chi^2=%4.4f", {r.at(kRangeFluryRandom, 20)}) +
      format("\nThe maximal Krzanowski metric under these conditions is %3.3f",
             {r.at(kRangeMetricRandom, 400)});
  EXPECT_EQ(rangeMezeyAngleText(in, seeded(2), silentHost()), expected);
}

TEST(ResamplingTexts, ShuffleAndRandomizationTexts) {
  AnalysisInput in = prepared(gorilla("gorf.txt"), gorilla("gorm.txt"));
  Observed o = observed(in);
  struct {
    ResamplingTest test;
    std::string title;
    std::string (*text)(const AnalysisInput&, const ResamplingOptions&, Host&);
  } cases[] = {
      {ResamplingTest::kShuffle, "Random Shuffle Test of Angle", &permuteMezeyAngleText},
      {ResamplingTest::kRandomization, "Randomization Test of Angle", &randMezeyAngleText}};
  for (const auto& c : cases) {
    ReplicateResults r = resamplingReplicates(c.test, in, seeded(3), silentHost());
    std::string expected =
        c.title +
        format(
            "\nThe observed angle was %4.2f,\n the 95th percentiles over 900 randomizations: "
            "%4.2f to %4.2f",
            {o.angle, r.at(kPairAngle, 22), r.at(kPairAngle, 878)}) +
        format(
            "\nThe observed Krzanowski metric was %4.3f,\n the 95th percentiles over 900 "
            "randomizations: %4.3f to %4.3f",
            {o.metric, r.at(kPairMetric, 22), r.at(kPairMetric, 878)}) +
        format("\nThe maximal angle under these conditions is %3.2f", {o.maxAngle});
    EXPECT_EQ(c.text(in, seeded(3), silentHost()), expected) << c.title;
  }
}

TEST(ResamplingTexts, SeededResultsRepeatWhateverTheThreads) {
  AnalysisInput in = prepared(gorilla("gorf.txt"), gorilla("gorm.txt"));
  std::string one = rangeMezeyAngleText(in, seeded(1, 1), silentHost());
  EXPECT_EQ(rangeMezeyAngleText(in, seeded(1, 2), silentHost()), one);
  EXPECT_EQ(rangeMezeyAngleText(in, seeded(1, 3), silentHost()), one);
  // Unseeded runs draw afresh.
  ResamplingOptions fresh{1, std::nullopt, nullptr, 0};
  EXPECT_NE(bootMezeyAngleText(in, fresh, silentHost()),
            bootMezeyAngleText(in, fresh, silentHost()));
}

std::vector<std::string> intervals(const std::string& text) {
  std::regex interval("randomizations: ([-0-9.]+) to ([-0-9.]+)");
  std::vector<std::string> out;
  for (std::sregex_iterator i(text.begin(), text.end(), interval), end; i != end; ++i) {
    out.push_back((*i)[0]);
  }
  return out;
}

TEST(ResamplingTexts, RandomizationIntervalsDependOnlyOnTheSizes) {
  AnalysisInput a = prepared(gorilla("gorf.txt"), gorilla("gorm.txt"));
  AnalysisInput b = prepared(synthetic(30, 8, 7), synthetic(29, 8, 8));
  std::string ta = randMezeyAngleText(a, seeded(2), silentHost());
  std::string tb = randMezeyAngleText(b, seeded(2), silentHost());
  EXPECT_NE(ta, tb);  // the observed values differ
  ASSERT_EQ(intervals(ta).size(), 2u);
  EXPECT_EQ(intervals(ta), intervals(tb));
}

class RecordingHost : public Host {
 public:
  bool consoleEnabled() const override { return true; }
  void consoleWrite(std::string_view text) override { m_text.append(text); }
  void messageBox(std::string_view text) override { m_boxes.emplace_back(text); }
  const std::string& text() const { return m_text; }

 private:
  std::string m_text;
  std::vector<std::string> m_boxes;
};

size_t occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

TEST(ResamplingTexts, ConsoleLinesInReplicateOrder) {
  AnalysisInput in = prepared(gorilla("gorf.txt"), gorilla("gorm.txt"));
  RecordingHost host;
  rangeMezeyAngleText(in, seeded(1), host);
  const std::string& c = host.text();
  EXPECT_EQ(occurrences(c, "i =\n"), 100u);
  // The observed angle's two lines, then three angles per replicate.
  EXPECT_EQ(occurrences(c, "y3 =\n"), 1u + 3 * 100);
  size_t previous = 0;
  for (int i = 1; i <= 100; ++i) {
    size_t at = c.find(format("i =\n\n%10d\n", {double(i)}));
    ASSERT_NE(at, std::string::npos) << i;
    EXPECT_GT(at, previous) << i;
    previous = at;
  }
  size_t last = previous;
  for (const char* name : {"stempa =", "stemp2 =", "stemp4 =", "stemp5 =", "stemp3 =", "ans ="}) {
    size_t at = c.find(name, last + 1);
    ASSERT_NE(at, std::string::npos) << name;
    last = at;
  }
  EXPECT_EQ(c.find("y3 =", last), std::string::npos);
}

TEST(ResamplingTexts, TheActionTableRunsEachTestWithItsSettings) {
  Matrix g1 = gorilla("gorf.txt"), g2 = gorilla("gorm.txt");
  AnalysisInput in = prepared(g1, g2);
  struct {
    const char* name;
    std::string (*text)(const AnalysisInput&, const ResamplingOptions&, Host&);
  } cases[] = {{"BootMezeyAngle", &bootMezeyAngleText},
               {"BootConMezeyAngle", &bootConMezeyAngleText},
               {"RangeMezeyAngle", &rangeMezeyAngleText},
               {"PermuteMezeyAngle", &permuteMezeyAngleText},
               {"RandMezeyAngle", &randMezeyAngleText}};
  for (const auto& c : cases) {
    const AnalysisAction* action = findAnalysisAction(c.name);
    ASSERT_NE(action, nullptr) << c.name;
    EXPECT_TRUE(action->resampling);
    AnalysisRequest request;
    request.data1 = &g1;
    request.data2 = &g2;
    request.settings.componentsText = "2";
    request.settings.bootValue = 2;
    request.seed = kSeed;
    EXPECT_EQ(action->run(request, silentHost()).text, c.text(in, seeded(2), silentHost()))
        << c.name;
  }
}

class CancelAtOnce : public Progress {
 public:
  void report(std::int64_t, std::int64_t) override {}
  bool cancelRequested() const override { return true; }
};

TEST(ResamplingTexts, BadSizesAndCancelLeaveNoResult) {
  AnalysisInput in = prepared(gorilla("gorf.txt"), gorilla("gorm.txt"));
  std::string (*actions[])(const AnalysisInput&, const ResamplingOptions&, Host&) = {
      &bootMezeyAngleText, &bootConMezeyAngleText, &rangeMezeyAngleText, &permuteMezeyAngleText,
      &randMezeyAngleText};
  CancelAtOnce cancel;
  for (auto action : actions) {
    for (int v : {0, -2, 101}) {
      RecordingHost host;
      EXPECT_THROW(action(in, {v, kSeed, nullptr, 0}, host), Error) << v;
      EXPECT_EQ(host.text(), "") << "computed before rejecting v = " << v;
    }
    EXPECT_THROW(action(in, {1, kSeed, &cancel, 0}, silentHost()), Cancelled);
  }
}

TEST(ResamplingTexts, SingularCovariancesGiveNonFiniteFluryValues) {
  // Raw gorilla coordinates hold constant columns (a landmark fixed at the
  // origin): every covariance is singular, and Flury's statistic is not a
  // number, which the text prints as such instead of failing.
  AnalysisInput in = prepared(gorilla("gorf.txt"), gorilla("gorm.txt"), false);
  std::string text = rangeMezeyAngleText(in, seeded(1), silentHost());
  EXPECT_NE(text.find("Observed Chi^2 =  NaN"), std::string::npos) << text;
  EXPECT_NE(text.find("95 percent upper bound on Group1 Chi^2= NaN"), std::string::npos) << text;
}

}  // namespace
}  // namespace vexmoor
