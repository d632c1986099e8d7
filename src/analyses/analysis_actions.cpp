#include "analyses/analysis_actions.h"

#include <array>
#include <utility>

#include "analyses/covariance_actions.h"
#include "analyses/group_comparison.h"
#include "compare/angle_between_planes.h"
#include "compare/replicate_stream.h"
#include "compare/resampling_tests.h"
#include "compare/subspace_angle.h"
#include "cpc/model_hierarchy.h"

namespace vexmoor {
namespace {

AnalysisInput prepare(const AnalysisRequest& r, ConsensusRounding rounding, ComponentsText k,
                      Host& host) {
  if (r.groups.empty()) {
    return prepareAnalysis(r.data1, r.data2, r.settings, rounding, k, host, r.progress);
  }
  std::vector<GroupData> groups;
  for (const NamedData& g : r.groups) {
    groups.push_back({g.data, namedGroupLabel(g.name)});
  }
  return pairInput(preparePooledAnalysis(groups, r.settings, rounding, k, host, r.progress), 0, 1);
}

bool severalGroups(const AnalysisRequest& r) {
  return r.groups.size() >= 3;
}

const Matrix* firstData(const AnalysisRequest& r) {
  return r.groups.empty() ? r.data1 : r.groups[0].data;
}

AnalysisResult resultOf(const char* action, const AnalysisRequest& r, const AnalysisInput& in) {
  AnalysisResult result;
  result.action = action;
  result.groups.m1 = in.m1;
  result.groups.m2 = in.m2;
  Index dimension = r.settings.threeD ? 3 : 2;
  const Matrix* first = firstData(r);
  result.groups.landmarks = first ? (first->cols() - 1) / dimension : 0;
  result.groups.variables = in.x1.cols();
  result.groups.npca = in.npca;
  return result;
}

AnalysisResult doMezeyAngle(const AnalysisRequest& r, Host& host) {
  if (severalGroups(r)) {
    return compareGroupsAngle(r, host);
  }
  AnalysisInput in = prepare(r, ConsensusRounding::kFourDecimals, ComponentsText::kRead, host);
  AngleBetweenPlanes angle = angleBetweenPlanes(in, host, r.progress);
  AnalysisResult result = resultOf("DoMezeyAngle", r, in);
  result.text = std::move(angle.text);
  result.observed = angle.observed;
  return result;
}

AnalysisResult runCpc(const AnalysisRequest& r, Host& host) {
  if (severalGroups(r)) {
    return compareGroupsCpc(r, host);
  }
  AnalysisInput in = prepare(r, ConsensusRounding::kFourDecimals, ComponentsText::kIgnore, host);
  CpcResult cpc = vexmoor::runCpc(in, host, {r.settings.pcs, r.progress});
  AnalysisResult result = resultOf("RunCPC", r, in);
  result.text = std::move(cpc.text);
  result.models = std::move(cpc.models);
  return result;
}

template <ResamplingFunction Test, ResamplingTest Kind>
AnalysisResult resampling(const char* action, const AnalysisRequest& r, Host& host) {
  if (severalGroups(r)) {
    return compareGroupsResampling(action, Test, Kind, r, host);
  }
  AnalysisInput in = prepare(r, ConsensusRounding::kNone, ComponentsText::kRead, host);
  // Chosen here rather than in the engine so that the caller learns it.
  std::uint64_t seed = r.seed.value_or(freshSeed());
  ResamplingOptions options{r.settings.bootValue, seed, r.progress, r.threads};
  ResamplingResult test = Test(in, options, host);
  AnalysisResult result = resultOf(action, r, in);
  result.text = test.text;
  result.note = test.note;
  result.seed = seed;
  result.observed = test.observed;
  result.resampling = std::move(test);
  return result;
}

AnalysisResult boot(const AnalysisRequest& r, Host& host) {
  return resampling<&bootMezeyAngle, ResamplingTest::kBoot>("BootMezeyAngle", r, host);
}
AnalysisResult bootCon(const AnalysisRequest& r, Host& host) {
  return resampling<&bootConMezeyAngle, ResamplingTest::kBootRange>("BootConMezeyAngle", r, host);
}
AnalysisResult range(const AnalysisRequest& r, Host& host) {
  return resampling<&rangeMezeyAngle, ResamplingTest::kRange>("RangeMezeyAngle", r, host);
}
AnalysisResult permute(const AnalysisRequest& r, Host& host) {
  return resampling<&permuteMezeyAngle, ResamplingTest::kShuffle>("PermuteMezeyAngle", r, host);
}
AnalysisResult randomization(const AnalysisRequest& r, Host& host) {
  return resampling<&randMezeyAngle, ResamplingTest::kRandomization>("RandMezeyAngle", r, host);
}

// Each group's components and the principal angles of every pair, in the
// frame the angle between the planes is measured in (the consensus rounded
// alike), so that the angles add up to the angle it prints.
AnalysisResult principalComponentsAction(const AnalysisRequest& r, Host& host) {
  std::vector<GroupData> groups;
  if (r.groups.empty()) {
    groups = {{r.data1, "group 1"}, {r.data2, "group 2"}};
  } else {
    for (const NamedData& g : r.groups) {
      groups.push_back({g.data, namedGroupLabel(g.name)});
    }
  }
  PooledInput pooled = preparePooledAnalysis(groups, r.settings, ConsensusRounding::kFourDecimals,
                                             ComponentsText::kRead, host, r.progress);
  AnalysisResult result = resultOf("PrincipalComponents", r, pairInput(pooled, 0, 1));
  PrincipalComponents pc = principalComponents(pooled, r.settings, r.progress);
  result.text = pc.text;
  if (pooled.groups.size() == 2) {
    SubspaceComparison c =
        compareSubspaces(leadingBasis(pc.groups[0]), leadingBasis(pc.groups[1]), pc.k);
    result.observed = ObservedStatistics{c.mezey.angle, c.mezey.maxAngle, c.krzanowski.metric,
                                         c.mezey.runtimeAngle, std::nullopt};
  }
  result.components = std::move(pc);
  return result;
}

constexpr std::array<AnalysisAction, 13> kActions{{
    {"DoMezeyAngle", true, false, &doMezeyAngle},
    {"RunCPC", false, false, &runCpc},
    {"BootMezeyAngle", true, true, &boot},
    {"BootConMezeyAngle", true, true, &bootCon},
    {"RangeMezeyAngle", true, true, &range},
    {"PermuteMezeyAngle", true, true, &permute},
    {"RandMezeyAngle", true, true, &randomization},
    {"PrincipalComponents", true, false, &principalComponentsAction},
    {"RelativeEigenanalysis", false, true, &relativeEigenanalysisAction},
    {"CovarianceDistances", false, true, &covarianceDistancesAction},
    {"RandomSkewers", false, true, &randomSkewersAction},
    {"MatrixCorrelation", false, true, &matrixCorrelationAction},
    {"CommonSubspace", true, true, &commonSubspaceAction},
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

std::string actionLabel(std::string_view action) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 16> kLabels{{
      {"LoadData1", "Load group 1"},
      {"LoadData2", "Load group 2"},
      {"DoMezeyAngle", "Angle between planes"},
      {"RunCPC", "CPC model hierarchy"},
      {"BootMezeyAngle", "Bootstrap test of angle"},
      {"BootConMezeyAngle", "Bootstrap range of angle"},
      {"RangeMezeyAngle", "Range of angle test"},
      {"PermuteMezeyAngle", "Random shuffle test of angle"},
      {"RandMezeyAngle", "Randomization test of angle"},
      {"PrincipalComponents", "Principal components"},
      {"ClearData", "Clear data"},
      {"RelativeEigenanalysis", "Relative eigenanalysis"},
      {"CovarianceDistances", "Covariance distances"},
      {"RandomSkewers", "Random skewers"},
      {"MatrixCorrelation", "Matrix correlation"},
      {"CommonSubspace", "Common subspace"},
  }};
  for (const auto& [name, label] : kLabels) {
    if (name == action) {
      return std::string(label);
    }
  }
  return std::string(action);
}

}  // namespace vexmoor
