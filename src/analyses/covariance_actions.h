// The covariance analyses as actions of the analysis table: each compares
// the covariance matrices of two or more groups, all from one pooled frame
// (shape variables as the other analyses make them, or with partial warps
// off the variables as given), optionally reduced to principal components
// first and pooled within sub-groups.
//
// Every action reads request.covariance and request.covarianceGroups (one
// entry per group, or none), and gives back the result text and
// result.covariance; resampling ones (with `resample`, and random skewers
// always) also result.seed, the seed the run used.
#pragma once

#include <string_view>

#include "analyses/analysis_actions.h"

namespace vexmoor {

// Throws vexmoor::Error naming the group, setting or value at fault (as
// the preparation and the analyses of src/covariance do), before any long
// work; Cancelled when request.progress asks.
AnalysisResult relativeEigenanalysisAction(const AnalysisRequest& request, Host& host);
AnalysisResult covarianceDistancesAction(const AnalysisRequest& request, Host& host);
AnalysisResult randomSkewersAction(const AnalysisRequest& request, Host& host);
AnalysisResult matrixCorrelationAction(const AnalysisRequest& request, Host& host);
// Reads k from the settings' components text, as the angle analyses do.
AnalysisResult commonSubspaceAction(const AnalysisRequest& request, Host& host);

// True for the five actions above, by name.
bool isCovarianceAction(std::string_view action);

// The number of replicates (or skewers) for the resampling size v: 100·v².
Index covarianceReplicates(int bootValue);

}  // namespace vexmoor
