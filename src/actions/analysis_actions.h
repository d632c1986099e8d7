// The analysis actions of the dispatcher as functions of the loaded groups
// and the settings: what the window and the batch front end share.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "compare/analysis_input.h"
#include "compare/resampling_tests.h"
#include "cpc/model_hierarchy.h"
#include "runtime/host.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

struct AnalysisRequest {
  const Matrix* data1 = nullptr;  // null: group not loaded
  const Matrix* data2 = nullptr;
  AnalysisSettings settings;
  std::optional<std::uint64_t> seed;  // resampling only
  Progress* progress = nullptr;       // resampling only; may be null
};

// The groups as the analysis saw them.
struct AnalyzedGroups {
  Index m1 = 0, m2 = 0;  // specimens
  Index landmarks = 0;
  Index variables = 0;  // columns the statistics see
  int npca = 0;         // 0 when the action reads no number of components
};

// What an analysis gives back: its result text, and for the resampling
// tests the seed the run used (drawn afresh when the request had none), so
// that any run can be repeated; with the numbers the text was made from.
struct AnalysisResult {
  std::string text;
  std::optional<std::uint64_t> seed;
  std::string action;
  AnalyzedGroups groups;
  std::optional<ObservedStatistics> observed;  // not for RunCPC
  std::optional<ResamplingResult> resampling;  // the resampling tests
  std::optional<ModelHierarchy> models;        // RunCPC
};

struct AnalysisAction {
  std::string_view name;
  bool readsComponents;  // needs the number of components
  bool resampling;       // long: draws replicates
  AnalysisResult (*run)(const AnalysisRequest& request, Host& host);
};

// The seven analyses in the dispatcher's order.
std::span<const AnalysisAction> analysisActions();
// Null when `name` is not an analysis (exact, case-sensitive).
const AnalysisAction* findAnalysisAction(std::string_view name);

// Every action name of the dispatcher, in the order it compares them.
std::span<const std::string_view> dispatcherActionNames();

}  // namespace vexmoor
