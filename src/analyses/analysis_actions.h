// The analysis actions of the dispatcher as functions of the loaded groups
// and the settings: what the window and the batch front end share.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analyses/covariance_result.h"
#include "compare/analysis_input.h"
#include "compare/principal_components.h"
#include "compare/resampling_tests.h"
#include "cpc/model_hierarchy.h"
#include "runtime/host.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

struct GroupComparison;
struct GroupPair;

// A group with the name tables and messages give it.
struct NamedData {
  std::string name;
  const Matrix* data = nullptr;  // null: not loaded
};

struct AnalysisRequest {
  const Matrix* data1 = nullptr;  // null: group not loaded
  const Matrix* data2 = nullptr;
  // Two or more named groups, used instead of data1 and data2 when set. Two
  // give exactly the two-group results; three or more the pairwise tables
  // and the k-group hierarchy of one pooled frame.
  std::vector<NamedData> groups;
  AnalysisSettings settings;
  std::optional<std::uint64_t> seed;  // resampling only
  Progress* progress = nullptr;       // may be null
  int threads = 0;  // the replicates' threads; 0: one per core the process may use
  // The covariance analyses (covariance_actions.h): their settings, and
  // what they take of each group beside its data, in group order (or
  // none).
  CovarianceSettings covariance;
  std::vector<CovarianceGroupInput> covarianceGroups;
  // Three or more groups, resampling tests: called with each pair's whole
  // result as soon as the pair is done, before its replicate values are
  // let go (the result keeps only what its text and JSON need). The pair's
  // Holm-adjusted p-values are not known yet. May be empty.
  std::function<void(const GroupComparison& comparison, const GroupPair& pair,
                     const ResamplingResult& result)>
      pairFinished;
};

// The groups as the analysis saw them.
struct AnalyzedGroups {
  Index m1 = 0, m2 = 0;  // specimens
  Index landmarks = 0;
  Index variables = 0;  // columns the statistics see
  int npca = 0;         // 0 when the action reads no number of components
};

// One pair of groups of a k-group run (0-based group numbers, first <
// second).
struct GroupPair {
  size_t first = 0, second = 0;
  ObservedStatistics observed;
  std::optional<ResamplingResult> resampling;  // the resampling tests
  std::uint64_t seed = 0;                      // the resampling tests
  std::vector<double> holm;                    // Holm-adjusted resampling->pValues
};

// The pairwise results of three or more groups, all from one pooled frame.
struct GroupComparison {
  std::vector<std::string> names;
  std::vector<Index> sizes;
  std::vector<GroupPair> pairs;  // (1,2), (1,3), ... (k−1,k)
  // k × k, symmetric; NaN on the diagonal and where the action computes
  // no such value.
  Matrix angle, runtimeAngle, metric, flury;
};

// What an analysis gives back: its result text, and for the resampling
// tests the seed the run used (drawn afresh when the request had none), so
// that any run can be repeated; with the numbers the text was made from.
struct AnalysisResult {
  std::string text;
  // A line for the front ends to show below the text (replicates with
  // degenerate samples); empty when there is none. Never part of the text.
  std::string note;
  std::optional<std::uint64_t> seed;
  std::string action;
  AnalyzedGroups groups;
  std::optional<ObservedStatistics> observed;     // not for RunCPC
  std::optional<ResamplingResult> resampling;     // the resampling tests
  std::optional<ModelHierarchy> models;           // RunCPC
  std::optional<GroupComparison> comparison;      // three or more groups
  std::optional<PrincipalComponents> components;  // PrincipalComponents
  std::optional<CovarianceResult> covariance;     // the covariance analyses
};

struct AnalysisAction {
  std::string_view name;
  bool readsComponents;  // needs the number of components
  bool resampling;       // long: draws replicates
  AnalysisResult (*run)(const AnalysisRequest& request, Host& host);
};

// The seven analyses in the dispatcher's order, then PrincipalComponents
// and the covariance analyses.
std::span<const AnalysisAction> analysisActions();
// Null when `name` is not an analysis (exact, case-sensitive).
const AnalysisAction* findAnalysisAction(std::string_view name);

// The ten action names of the dispatcher's own, in the order it compares
// them; it finds PrincipalComponents, an analysis of ours, through
// findAnalysisAction like the other analyses.
std::span<const std::string_view> dispatcherActionNames();

// What the user reads for an action name, the name its button and menu
// entry give it: "Angle between planes", "Range of angle test", ...; any
// other text stands for itself.
std::string actionLabel(std::string_view action);

}  // namespace vexmoor
