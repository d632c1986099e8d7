// One analysis run, as every front end asks for it: the groups, the
// settings, and back the result with its text, its JSON document and its
// replicates. The batch front end, the window, the R package and the
// Python module all call this; none of them settles dimensions, checks
// columns or builds the JSON's settings itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analyses/analysis_actions.h"
#include "analyses/replicate_table.h"
#include "analyses/result_json.h"
#include "api/input_groups.h"
#include "runtime/host.h"
#include "runtime/progress.h"

namespace vexmoor {

struct RunSettings {
  std::string action;   // one of runActionNames()
  bool threeD = false;  // three-dimensional, whatever the files state
  // The door's settings name the dimension, two included (a binding's
  // dim = 2, the window's box): a plain file whose values fit both
  // readings is then read as they say without a warning.
  bool dimensionChosen = false;
  bool partialWarps = true;               // off: raw coordinates (two dimensions)
  std::optional<std::string> components;  // the number of components, as typed
  int bootValue = 1;                      // v: 100·v² replicates (100·v for the range)
  std::optional<std::uint64_t> seed;      // resampling; none: a fresh seed, reported back
  // RunCPC: fit the models to the scores of the first `pcs` principal
  // components of the pooled within-group covariance matrix; 0: to the
  // variables themselves.
  int pcs = 0;
  // The resampling tests' threads; 0: one per core the process may use.
  // The numbers are the same for every count.
  int threads = 0;
  // The covariance analyses' own settings (analyses/covariance_result.h);
  // the groups' sub-groups travel with the groups (InputGroup::within).
  CovarianceSettings covariance;
};

// Receives the replicate table of a resampling test of three or more
// groups piece by piece as its pairs finish: the header with the first
// pair's rows, then each further pair's rows.
using ReplicateRows = std::function<void(std::string_view rows)>;

// The analyses a run can name, in the dispatcher's order.
std::vector<std::string_view> runActionNames();

// The rules that the settings alone decide (setting_rules.h has their
// wording): the action exists, an action that reads k has one, a
// resampling test's v is in range, pcs is in range and given to RunCPC or a
// covariance analysis only, and the covariance analyses' settings go to
// their analyses. Throws vexmoor::Error; reads no data. runAnalysis calls
// it first.
void checkRunSettings(const RunSettings& settings);

struct RunOutput {
  AnalysisResult result;  // the numbers; result.text is the result text
  bool threeD = false;    // the dimension the run settled on
  // What the user must hear of the run's input (a plain file read as two
  // dimensions although three would fit as well), also shown through the
  // host's message box once the run has its result.
  std::vector<std::string> warnings;
  std::string json;  // the JSON document (docs/json.md), without a final line break

  // The groups' files and the settings the run used (what the JSON's
  // settings and groups say).
  RunDescription description;

  std::shared_ptr<const nlohmann::json> document;  // the same document as data
  // What a plain run prints: the result text, and below it the result's
  // note where there is one; without a final line break.
  std::string text() const;
  // The replicates as the CSV table of --replicates; empty when the action
  // draws none, or when they went to a ReplicateRows sink.
  std::string replicatesCsv() const;
  // The same replicates as columns; without names where there is no table.
  ReplicateColumns replicateColumns() const;

  ReplicateColumns pairColumns;  // the table of three or more groups, as made
};

// Throws vexmoor::Error naming the group's source unless it holds
// landmarks of the dimension, or, on the raw-coordinate path (two
// dimensions without partial warps), any consistent columns.
void checkRunColumns(const InputGroup& group, bool threeD, bool partialWarps);

// Settles the dimension (the settings, or what a file states; files that
// disagree are an error; where neither decides, two, with a warning for each
// plain file whose values would make three-dimensional landmarks as well),
// checks that every group holds landmarks of that
// dimension (or, in two dimensions without partial warps, any consistent
// columns), runs the action and makes the JSON document. Throws
// vexmoor::Error naming the group or file at fault, before any work;
// Cancelled when `progress` (may be null) asked the run to stop. With three
// or more groups a resampling test's replicates go to `rows` as each pair
// finishes, so that they need not wait in memory (the batch streams them
// to its file); without `rows` they are kept for replicatesCsv() and
// replicateColumns(). LAPACK runs single-threaded during the run; the
// process's setting is restored after it (runtime/blas_threads.h).
RunOutput runAnalysis(const RunGroups& groups, const RunSettings& settings, Host& host,
                      Progress* progress = nullptr, const ReplicateRows& rows = {});

}  // namespace vexmoor
