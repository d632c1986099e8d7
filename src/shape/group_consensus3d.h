// What a three-dimensional load shows: the group superimposed by itself, its
// consensus turned to principal axes, and the group's summary text.
#pragma once

#include <string>

#include "runtime/host.h"
#include "runtime/matrix.h"

namespace vexmoor {

// data: N × (3k + 1) landmark data matrix. Returns the k × 3 consensus of
// the group in its principal axes. Diagnostics of the fit go to `host`.
// Throws vexmoor::Error when the column count is not 3k + 1 or a specimen
// has centroid size 0 (naming it, 1-based).
Matrix groupConsensus3D(const Matrix& data, Host& host = silentHost());

// "File <name> \n <N> 3D Samples \n <k> landmarks" as the load writes it.
std::string threeDimensionalSummary(const std::string& fileName, Index rows, Index cols);

}  // namespace vexmoor
