// 'DoMezeyAngle': the angle between the two groups' principal-component
// subspaces, the largest principal angle and Krzanowski's metric, once.
#pragma once

#include <string>

#include "compare/analysis_input.h"
#include "runtime/host.h"

namespace vexmoor {

// The result text for prepared input (consensus rounded, components read).
std::string angleBetweenPlanesText(const AnalysisInput& in, Host& host);

}  // namespace vexmoor
