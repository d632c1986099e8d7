// The resampling tests' results as data: the p-values in the direction
// each scheme asks, the printed numbers at their recorded positions, and a
// shuffle test that does not depend on the signs a decomposition delivers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "compare/angle_between_planes.h"
#include "compare/replicate_statistics.h"
#include "compare/replicate_stream.h"
#include "compare/resampling_tests.h"
#include "io/landmark_file.h"
#include "shape/eigenvector_signs.h"

namespace vexmoor {
namespace {

Matrix gorilla(const char* file) {
  return readLandmarkFile(std::string(VEXMOOR_EXAMPLES "/gorilla/") + file);
}

AnalysisInput prepared(ConsensusRounding rounding = ConsensusRounding::kNone) {
  static const Matrix g1 = gorilla("gorf.txt"), g2 = gorilla("gorm.txt");
  AnalysisSettings settings;
  settings.componentsText = "2";
  return prepareAnalysis(&g1, &g2, settings, rounding, ComponentsText::kRead, silentHost());
}

ResamplingOptions seeded(std::uint64_t seed) {
  return {1, seed, nullptr, 0};
}

TEST(EmpiricalPValue, CountsTiesAsExtremeAndNeverNaN) {
  std::vector<double> r{1, 2, 2, 3, std::nan("")};
  EXPECT_DOUBLE_EQ(empiricalPValue(r, 2, Tail::kAtLeast), (1 + 3) / 6.0);
  EXPECT_DOUBLE_EQ(empiricalPValue(r, 2, Tail::kAtMost), (1 + 3) / 6.0);
  EXPECT_DOUBLE_EQ(empiricalPValue(r, 3.5, Tail::kAtLeast), 1 / 6.0);
  EXPECT_DOUBLE_EQ(empiricalPValue(r, 0, Tail::kAtLeast), 5 / 6.0);
  EXPECT_TRUE(std::isnan(empiricalPValue(r, std::nan(""), Tail::kAtMost)));
}

struct Expected {
  const char* name;
  const char* column;
  Tail tail;
};

void expectPValues(const ResamplingResult& r, const std::vector<Expected>& expected) {
  ASSERT_EQ(r.pValues.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const EmpiricalPValue& p = r.pValues[i];
    EXPECT_EQ(p.name, expected[i].name);
    EXPECT_EQ(r.columns[static_cast<size_t>(p.column)], expected[i].column) << p.name;
    EXPECT_EQ(p.tail, expected[i].tail) << p.name;
    bool metric = std::string(expected[i].column).rfind("metric", 0) == 0;
    bool flury = std::string(expected[i].column).rfind("flury", 0) == 0;
    double observed = flury ? *r.observed.flury : metric ? r.observed.metric : r.observed.angle;
    EXPECT_EQ(p.observed, observed) << p.name;
    std::vector<double> column(r.values.col(p.column).begin(), r.values.col(p.column).end());
    EXPECT_DOUBLE_EQ(p.p, empiricalPValue(column, observed, p.tail)) << p.name;
    EXPECT_GE(p.p, 1.0 / (r.replicates + 1));
    EXPECT_LE(p.p, 1.0);
  }
}

TEST(ResamplingResults, PValuesAskWhatEachSchemeAsks) {
  AnalysisInput in = prepared();
  constexpr Tail up = Tail::kAtLeast, down = Tail::kAtMost;
  expectPValues(bootMezeyAngle(in, seeded(1), silentHost()),
                {{"angle_above_group1", "angle_group1", up},
                 {"metric_below_group1", "metric_group1", down},
                 {"angle_above_group2", "angle_group2", up},
                 {"metric_below_group2", "metric_group2", down}});
  expectPValues(rangeMezeyAngle(in, seeded(2), silentHost()),
                {{"angle_above_group1", "angle_group1", up},
                 {"metric_below_group1", "metric_group1", down},
                 {"angle_above_group2", "angle_group2", up},
                 {"metric_below_group2", "metric_group2", down},
                 {"flury_above_group1", "flury_group1", up},
                 {"flury_above_group2", "flury_group2", up},
                 {"angle_below_random", "angle_random", down},
                 {"metric_above_random", "metric_random", up}});
  expectPValues(permuteMezeyAngle(in, seeded(3), silentHost()),
                {{"angle_below_shuffled", "angle_shuffled", down},
                 {"metric_above_shuffled", "metric_shuffled", up}});
  expectPValues(
      randMezeyAngle(in, seeded(4), silentHost()),
      {{"angle_below_random", "angle_random", down}, {"metric_above_random", "metric_random", up}});
  expectPValues(bootConMezeyAngle(in, seeded(5), silentHost()), {});
}

// Every printed replicate number is the sorted column at its position, and
// the text holds it as printed.
TEST(ResamplingResults, PrintedNumbersComeFromTheirPositions) {
  AnalysisInput in = prepared();
  ResamplingResult r = rangeMezeyAngle(in, seeded(9), silentHost());
  EXPECT_EQ(r.values.rows(), 100);
  EXPECT_EQ(r.percentiles.size(), 13u);
  for (const PrintedPercentile& p : r.percentiles) {
    std::vector<double> column(r.values.col(p.column).begin(), r.values.col(p.column).end());
    std::sort(column.begin(), column.end());
    ASSERT_GE(p.position, 1);
    EXPECT_EQ(column[static_cast<size_t>(p.position - 1)], p.value) << p.name;
  }
  const PrintedPercentile& first = r.percentiles.front();
  EXPECT_EQ(first.name, "angle_group1_upper");
  EXPECT_EQ(first.position, 99);
  char printed[32];
  std::snprintf(printed, sizeof printed, "group 1: %4.2f", first.value);
  EXPECT_NE(r.text.find(printed), std::string::npos) << r.text;
}

// A group of two specimens with one component: every sample that draws one
// specimen twice has no direction at all. The count follows from the draws
// alone (group 2's samples are the third and fourth of each replicate).
TEST(ResamplingResults, DegenerateReplicatesAreCountedAndNoted) {
  static const Matrix g1 = gorilla("gorf.txt"), g2 = gorilla("gorm.txt").topRows(2);
  AnalysisSettings settings;
  settings.componentsText = "1";
  AnalysisInput in = prepareAnalysis(&g1, &g2, settings, ConsensusRounding::kNone,
                                     ComponentsText::kRead, silentHost());
  const std::uint64_t seed = 3;
  ResamplingResult r = bootMezeyAngle(in, seeded(seed), silentHost());
  Index expected = 0;
  for (Index i = 0; i < r.replicates; ++i) {
    ReplicateStream stream(seed, static_cast<std::uint64_t>(i));
    std::vector<Index> rows(30);
    stream.fillPositions(30, rows.data(), 30);
    stream.fillPositions(30, rows.data(), 30);
    Index a[2], b[2];
    stream.fillPositions(2, a, 2);
    stream.fillPositions(2, b, 2);
    expected += (a[0] == a[1] || b[0] == b[1]) ? 1 : 0;
  }
  ASSERT_EQ(r.degenerate.size(), 2u);
  EXPECT_EQ(r.degenerate[0].scheme, "group1");
  EXPECT_EQ(r.degenerate[0].count, 0);
  EXPECT_EQ(r.degenerate[1].scheme, "group2");
  EXPECT_EQ(r.degenerate[1].count, expected);
  ASSERT_GT(expected, 0);
  EXPECT_EQ(r.note, "Note: " + std::to_string(expected) +
                        " of the 100 group 2 replicates compared a sample with fewer independent "
                        "directions than the 1 component asked for, so their angles and metrics "
                        "rest partly on arbitrary axes.");
  // The bundled groups have none, and no note.
  ResamplingResult clean = rangeMezeyAngle(prepared(), seeded(seed), silentHost());
  ASSERT_EQ(clean.degenerate.size(), 3u);
  EXPECT_EQ(clean.degenerate[2].scheme, "random");
  for (const DegenerateCount& d : clean.degenerate) {
    EXPECT_EQ(d.count, 0) << d.scheme;
  }
  EXPECT_EQ(clean.note, "");

  // Collinear rows: three distinct specimens on one line span one
  // direction, judged relative to the data's size.
  SampleAxes sample;
  Matrix& x = sample.sample(3, 4);
  x << 1, 2, 3, 4, 2, 4, 6, 8, 3, 6, 9, 12;
  sample.compute(2);
  EXPECT_TRUE(sample.rankBelow(2, 12.0));
  EXPECT_FALSE(sample.rankBelow(1, 12.0));
}

TEST(EigenvectorSigns, LargestEntryPositiveFirstOfTies) {
  Matrix v(3, 4);
  v << 0.1, -0.5, 0.6, 0,                //
      -0.9, 0.5, -0.6 * (1 + 1e-14), 0,  //
      0.2, 0.1, 0.1, 0;
  fixEigenvectorSigns(v);
  EXPECT_EQ(v(1, 0), 0.9);  // the largest magnitude, made positive
  EXPECT_EQ(v(0, 1), 0.5);  // an exact tie: the first
  EXPECT_EQ(v(0, 2), 0.6);  // a tie within 1e-12: the first
  EXPECT_EQ(v.col(3).norm(), 0);
}

void negateEveryOther(Matrix& v) {
  for (Index c = 0; c < v.cols(); c += 2) {
    v.col(c) = -v.col(c);
  }
}

void negateAll(Matrix& v) {
  v = -v;
}

// The shuffle test draws variables independently in each group, so it
// sees the signs of the score columns; the others must not change at all.
TEST(EigenvectorSigns, SeededTextsDoNotDependOnTheDeliveredSigns) {
  std::string shuffle = permuteMezeyAngleText(prepared(), seeded(11), silentHost());
  std::string angle =
      angleBetweenPlanesText(prepared(ConsensusRounding::kFourDecimals), silentHost());
  for (RawEigenvectorChange change : {&negateEveryOther, &negateAll}) {
    setRawEigenvectorChange(change);
    std::string otherShuffle = permuteMezeyAngleText(prepared(), seeded(11), silentHost());
    std::string otherAngle =
        angleBetweenPlanesText(prepared(ConsensusRounding::kFourDecimals), silentHost());
    setRawEigenvectorChange(nullptr);
    EXPECT_EQ(otherShuffle, shuffle);
    EXPECT_EQ(otherAngle, angle);
  }
}

}  // namespace
}  // namespace vexmoor
