// One analysis run, as every front end asks for it: the groups, the
// settings, and back the result with its text, its JSON document and its
// replicates. The batch front end, the window, the R package and the
// Python module all call this; none of them settles dimensions, checks
// columns or builds the JSON's settings itself.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "actions/analysis_actions.h"
#include "api/input_groups.h"
#include "runtime/host.h"
#include "runtime/progress.h"

namespace vexmoor {

struct RunSettings {
  std::string action;                     // one of runActionNames()
  bool threeD = false;                    // three-dimensional, whatever the files state
  bool partialWarps = true;               // off: raw coordinates (two dimensions)
  std::optional<std::string> components;  // the number of components, as typed
  int bootValue = 1;                      // v: 100·v² replicates (100·v for the range)
  std::optional<std::uint64_t> seed;      // resampling; none: a fresh seed, reported back
  // RunCPC: fit the models to the scores of the first `pcs` principal
  // components of the pooled within-group covariance matrix; 0: to the
  // variables themselves.
  int pcs = 0;
};

// Receives the replicate table of a resampling test of three or more
// groups piece by piece as its pairs finish: the header with the first
// pair's rows, then each further pair's rows.
using ReplicateRows = std::function<void(std::string_view rows)>;

// The analyses a run can name, in the dispatcher's order.
std::vector<std::string_view> runActionNames();

// Throws vexmoor::Error when the action is unknown (listing the valid ones)
// or needs a number of components and has none. Reads no data.
void checkRunSettings(const RunSettings& settings);

struct RunOutput {
  AnalysisResult result;  // the numbers; result.text is the result text
  bool threeD = false;    // the dimension the run settled on
  std::string json;       // the JSON document (docs/json.md), without a final line break
  // What a plain run prints: the result text, and below it the result's
  // note where there is one; without a final line break.
  std::string text() const;
  // The replicates as the CSV table of --replicates; empty when the action
  // draws none, or when they went to a ReplicateRows sink.
  std::string replicatesCsv() const;

  std::string pairReplicates;  // the table of three or more groups, as made
};

// Settles the dimension (the settings, or what a file states; files that
// disagree are an error), checks that every group holds landmarks of that
// dimension (or, in two dimensions without partial warps, any consistent
// columns), runs the action and makes the JSON document. Throws
// vexmoor::Error naming the group or file at fault, before any work;
// Cancelled when `progress` (may be null) asked the run to stop. With three
// or more groups a resampling test's replicates go to `rows` as each pair
// finishes, so that they need not wait in memory (the batch streams them
// to its file); without `rows` they are kept for replicatesCsv().
RunOutput runAnalysis(const RunGroups& groups, const RunSettings& settings, Host& host,
                      Progress* progress = nullptr, const ReplicateRows& rows = {});

}  // namespace vexmoor
