// The analyses of three or more groups: every group superimposed in one
// pooled frame, then the pairwise subspace statistics as k × k tables, each
// resampling test for every pair with raw and Holm-adjusted p-values, and
// Flury's hierarchy fitted to all k covariance matrices at once.
#pragma once

#include <string>
#include <vector>

#include "analyses/analysis_actions.h"
#include "compare/resampling_replicates.h"
#include "runtime/host.h"

namespace vexmoor {

// Each takes a request with three or more named groups.
AnalysisResult compareGroupsAngle(const AnalysisRequest& request, Host& host);
AnalysisResult compareGroupsCpc(const AnalysisRequest& request, Host& host);
using ResamplingFunction = ResamplingResult (*)(const AnalysisInput&, const ResamplingOptions&,
                                                Host&);
// Runs `test` (of kind `kind`) for every pair in turn (each on all cores),
// pair i with the seed pairSeed(seed, i); the pairs share one progress from
// 0 to the total. What a group's draws need is prepared once for all its
// pairs. Each pair's replicate values go to request.pairFinished and are
// then let go: the result's pairs hold no values and no texts.
AnalysisResult compareGroupsResampling(const char* action, ResamplingFunction test,
                                       ResamplingTest kind, const AnalysisRequest& request,
                                       Host& host);

// The seed of pair `pair` (0-based, in the order (1,2), (1,3), ... (k−1,k))
// of a run seeded with `seed`.
std::uint64_t pairSeed(std::uint64_t seed, size_t pair);

// Holm's step-down adjustment of a family of p-values, in their order. NaN
// entries stay NaN and do not count in the family.
std::vector<double> holmAdjusted(const std::vector<double>& p);

// How a group is named in messages: group "F".
std::string namedGroupLabel(const std::string& name);

}  // namespace vexmoor
