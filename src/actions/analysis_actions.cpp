#include "actions/analysis_actions.h"

#include <array>

#include "compare/angle_between_planes.h"
#include "compare/replicate_stream.h"
#include "compare/resampling_tests.h"
#include "cpc/model_hierarchy.h"

namespace vexmoor {
namespace {

AnalysisInput prepare(const AnalysisRequest& r, ConsensusRounding rounding, ComponentsText k,
                      Host& host) {
  return prepareAnalysis(r.data1, r.data2, r.settings, rounding, k, host);
}

AnalysisResult doMezeyAngle(const AnalysisRequest& r, Host& host) {
  AnalysisInput in = prepare(r, ConsensusRounding::kFourDecimals, ComponentsText::kRead, host);
  return {angleBetweenPlanesText(in, host), std::nullopt};
}

AnalysisResult runCpc(const AnalysisRequest& r, Host& host) {
  AnalysisInput in = prepare(r, ConsensusRounding::kFourDecimals, ComponentsText::kIgnore, host);
  return {runCpcText(in, host), std::nullopt};
}

template <std::string (*Test)(const AnalysisInput&, const ResamplingOptions&, Host&)>
AnalysisResult resampling(const AnalysisRequest& r, Host& host) {
  AnalysisInput in = prepare(r, ConsensusRounding::kNone, ComponentsText::kRead, host);
  // Chosen here rather than in the engine so that the caller learns it.
  std::uint64_t seed = r.seed.value_or(freshSeed());
  ResamplingOptions options{r.settings.bootValue, seed, r.progress};
  return {Test(in, options, host), seed};
}

constexpr std::array<AnalysisAction, 7> kActions{{
    {"DoMezeyAngle", true, false, &doMezeyAngle},
    {"RunCPC", false, false, &runCpc},
    {"BootMezeyAngle", true, true, &resampling<&bootMezeyAngleText>},
    {"BootConMezeyAngle", true, true, &resampling<&bootConMezeyAngleText>},
    {"RangeMezeyAngle", true, true, &resampling<&rangeMezeyAngleText>},
    {"PermuteMezeyAngle", true, true, &resampling<&permuteMezeyAngleText>},
    {"RandMezeyAngle", true, true, &resampling<&randMezeyAngleText>},
}};

constexpr std::array<std::string_view, 10> kDispatcherActions{
    "LoadData1",         "LoadData2",       "DoMezeyAngle",      "RunCPC",         "BootMezeyAngle",
    "BootConMezeyAngle", "RangeMezeyAngle", "PermuteMezeyAngle", "RandMezeyAngle", "ClearData"};

}  // namespace

std::span<const AnalysisAction> analysisActions() {
  return kActions;
}

const AnalysisAction* findAnalysisAction(std::string_view name) {
  for (const AnalysisAction& a : kActions) {
    if (a.name == name) {
      return &a;
    }
  }
  return nullptr;
}

std::span<const std::string_view> dispatcherActionNames() {
  return kDispatcherActions;
}

}  // namespace vexmoor
