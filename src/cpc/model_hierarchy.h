// 'RunCPC': Flury's hierarchy of covariance models for the two groups with
// log-likelihoods, parameter counts, AIC and AIC weights.
#pragma once

#include <string>

#include "compare/analysis_input.h"
#include "runtime/host.h"

namespace vexmoor {

// The result text for prepared input (consensus rounded).
std::string runCpcText(const AnalysisInput& in, Host& host);

}  // namespace vexmoor
