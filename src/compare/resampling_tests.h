// The five resampling tests of the angle between the groups' subspaces.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "compare/analysis_input.h"
#include "runtime/host.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

struct ResamplingSource;

struct ResamplingOptions {
  int bootValue = 1;                  // v: 100·v² replicates (100·v for the range)
  std::optional<std::uint64_t> seed;  // fixed: the same result on every run
  Progress* progress = nullptr;       // may be null
  int threads = 0;                    // 0: one per core; the result does not depend on it
  // What each group's replicates draw on, prepared once where several runs
  // share a group (resamplingSource of the input's sources); null: prepared
  // by the run.
  std::array<const ResamplingSource*, 2> sources{};
};

// The statistics of the two groups themselves.
struct ObservedStatistics {
  double angle = 0;                    // degrees
  double maxAngle = 0;                 // the largest angle two such subspaces can have, degrees
  double metric = 0;                   // Krzanowski's summed eigenvalue metric
  std::optional<double> runtimeAngle;  // the largest principal angle, where computed
  std::optional<double> flury;         // Flury's statistic, where computed
};

// A number the text takes from the replicates: the value at a 1-based
// position of one ascending-sorted replicate column (NaN last), or the
// largest value that is a number (position 0).
struct PrintedPercentile {
  std::string name;  // "angle_group1_upper", "metric_random_largest", ...
  int column = 0;
  double level = 0;  // the q of the position; 1 for the largest value
  Index position = 0;
  double value = 0;
};

// Which replicates count as at least as extreme as the observed value.
enum class Tail { kAtLeast, kAtMost };  // replicate >= observed / replicate <= observed

// p = (1 + number of replicates at least as extreme) / (N + 1).
struct EmpiricalPValue {
  std::string name;         // what it tests: "angle_above_group1", ...
  std::string description;  // the same for a reader
  int column = 0;
  Tail tail = Tail::kAtLeast;
  double observed = 0;
  double p = 0;  // NaN when the observed value is not a number
};

// The replicates of one resampling scheme that compared a sample with
// fewer independent directions than the components compared (at most k
// distinct rows, or a k-th variance within rounding of 0): its k-th axis,
// and so the replicate's angle and metric, are then partly arbitrary.
struct DegenerateCount {
  std::string scheme;  // "group1", "group2", "between", "random", "shuffled"
  Index count = 0;
};

// A resampling test's result as data: everything its text, its JSON, its
// replicate file and its histograms are made of.
struct ResamplingResult {
  std::string text;
  ObservedStatistics observed;
  Index replicates = 0;
  std::vector<std::string> columns;  // names of the replicate columns
  Matrix values;                     // replicates × columns, in replicate order
  std::vector<PrintedPercentile> percentiles;
  std::vector<EmpiricalPValue> pValues;
  std::vector<DegenerateCount> degenerate;  // one per scheme of the test
  // One line to show below the text when a count is not 0, else empty.
  std::string note;
};

// The note on degenerate replicates ("Note: 54 of the 100 group 1
// replicates ..."); empty when every count is 0. `labels` name the groups of
// the within-group schemes.
std::string degenerateNote(const std::vector<DegenerateCount>& counts, Index replicates, int k,
                           const std::vector<std::string>& labels);

// p-value of `observed` against `replicates`; NaN replicates never count
// as extreme. NaN when `observed` is NaN or there are no replicates.
double empiricalPValue(std::span<const double> replicates, double observed, Tail tail);

// Each takes prepared input (consensus not rounded, components read).
// Console lines (the replicate counter and the statistics' diagnostics) go
// to `host` in replicate order; host is used from the calling thread only.
// Throws vexmoor::Error for bad options (v must be a whole number from 1 to
// 100), Cancelled when the progress asked to stop; either way nothing is
// returned.
ResamplingResult bootMezeyAngle(const AnalysisInput& in, const ResamplingOptions& options,
                                Host& host);
ResamplingResult bootConMezeyAngle(const AnalysisInput& in, const ResamplingOptions& options,
                                   Host& host);
ResamplingResult rangeMezeyAngle(const AnalysisInput& in, const ResamplingOptions& options,
                                 Host& host);
ResamplingResult permuteMezeyAngle(const AnalysisInput& in, const ResamplingOptions& options,
                                   Host& host);
ResamplingResult randMezeyAngle(const AnalysisInput& in, const ResamplingOptions& options,
                                Host& host);

// The result texts alone.
std::string bootMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                               Host& host);
std::string bootConMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                  Host& host);
std::string rangeMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                Host& host);
std::string permuteMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                  Host& host);
std::string randMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                               Host& host);

}  // namespace vexmoor
