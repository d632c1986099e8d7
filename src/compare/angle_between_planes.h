// 'DoMezeyAngle': the angle between the two groups' principal-component
// subspaces, the largest principal angle and Krzanowski's metric, once.
#pragma once

#include <string>

#include "compare/analysis_input.h"
#include "compare/resampling_tests.h"
#include "runtime/host.h"

namespace vexmoor {

struct AngleBetweenPlanes {
  std::string text;
  ObservedStatistics observed;  // with the runtime angle
};

// For prepared input (consensus rounded, components read).
// `progress` (may be null) may cancel the decompositions of many variables.
AngleBetweenPlanes angleBetweenPlanes(const AnalysisInput& in, Host& host,
                                      const Progress* progress = nullptr);
// Its result text alone.
std::string angleBetweenPlanesText(const AnalysisInput& in, Host& host);

}  // namespace vexmoor
