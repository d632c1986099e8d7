// The analysis actions of the dispatcher as functions of the loaded groups
// and the settings: what the window and the batch front end share.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "compare/analysis_input.h"
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

// What an analysis gives back: its result text, and for the resampling
// tests the seed the run used (drawn afresh when the request had none), so
// that any run can be repeated.
struct AnalysisResult {
  std::string text;
  std::optional<std::uint64_t> seed;
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
