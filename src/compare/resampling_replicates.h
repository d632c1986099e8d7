// The replicates of the five resampling tests, before they become text:
// how each test draws its samples and which statistics it keeps.
#pragma once

#include <span>
#include <string_view>

#include "compare/analysis_input.h"
#include "compare/replicate_engine.h"
#include "compare/replicate_statistics.h"
#include "compare/resampling_tests.h"
#include "runtime/host.h"

namespace vexmoor {

enum class ResamplingTest { kBoot, kBootRange, kRange, kShuffle, kRandomization };

// The first line of a test's text: "Bootstrap Test of Angle", ... (the
// range test opens with the bootstrap's title).
std::string_view resamplingTitle(ResamplingTest test);

// Percentile levels of the tests' intervals.
inline constexpr double kUpperLevel = 0.975;
inline constexpr double kLowerLevel = 0.025;
inline constexpr double kRangeUpperLevel = 0.9875;
inline constexpr double kRangeLowerLevel = 0.0125;
inline constexpr double kFluryUpperLevel = 0.95;
inline constexpr double kFluryLowerLevel = 0.05;

// The largest v accepted: 1,000,000 replicates already take minutes to
// hours and hundreds of megabytes.
inline constexpr int kMaxBootValue = 100;

// Statistic columns of the replicate results.
enum BootColumn : int { kBootAngle1, kBootAngle2, kBootMetric1, kBootMetric2, kBootColumns };
// Boot range, shuffle and randomization tests: one angle and one metric.
enum PairColumn : int { kPairAngle, kPairMetric, kPairColumns };
enum RangeColumn : int {
  kRangeAngle1,
  kRangeAngle2,
  kRangeAngleRandom,
  kRangeMetric1,
  kRangeMetric2,
  kRangeMetricRandom,
  kRangeFlury1,
  kRangeFlury2,
  kRangeFluryRandom,
  kRangeColumns
};

// What the replicates of one group draw on, computed once for all the
// threads of a run (and for every pair a group belongs to): its rows'
// products and, for groups of at most kGramRows specimens, their inner
// products (m × m, which beyond that would outgrow memory; larger groups
// then take the inner products of a sample's distinct rows directly).
struct ResamplingSource {
  Matrix gram;  // empty beyond kGramRows rows
  SourceProducts products;
};

inline constexpr Index kGramRows = 2048;

ResamplingSource resamplingSource(const Matrix& source);

// True for the tests whose samples are whole rows of the groups' sources
// (boot, boot range, range): the ones that read a ResamplingSource.
bool drawsWholeRows(ResamplingTest test);

// The resampling schemes of a test whose degenerate replicates the
// results count (ReplicateResults::tallies, in this order): a replicate
// counts when a sample it compares has fewer independent directions than
// the components compared (SampleAxes::rankBelow).
struct DegenerateScheme {
  const char* name;  // "group1", "group2", "between", "random", "shuffled"
  int group;         // 0 or 1 for a within-group scheme, -1 otherwise
};
std::span<const DegenerateScheme> degenerateSchemes(ResamplingTest test);

// 100 · v² replicates, 100 · v for the boot range. Throws vexmoor::Error
// unless v is a whole number from 1 to kMaxBootValue.
Index replicateCount(ResamplingTest test, int bootValue);

// Runs the replicates of `test` on prepared input (components read).
// Every replicate draws in the order the test prescribes:
// - boot and range: group 1's first sample (m1 rows), its second sample
//   (m1 rows), group 2's first (m2 rows) and second (min(m1, m2) rows),
//   each row position ceil(m · u) with replacement from the group's
//   resampling source; the range test then fills an m1 × r and an m2 × r
//   matrix with 2u - 1, column by column (r = n - 1 with partial warps,
//   n without);
// - boot range: m1 rows of group 1, then m2 rows of group 2;
// - shuffle: group 1's m1 row positions, then its n - 1 column positions
//   ceil((n - 1) · u), then the same for group 2;
// - randomization: the two matrices of 2u - 1 as in the range test.
// options.sources, where set, are resamplingSource() of in.source1 and
// in.source2; otherwise they are computed here.
// Throws vexmoor::Error for a bad v, Cancelled when asked to stop.
ReplicateResults resamplingReplicates(ResamplingTest test, const AnalysisInput& in,
                                      const ResamplingOptions& options, Host& host);

}  // namespace vexmoor
