// What a three-dimensional load shows: the group superimposed by itself, its
// consensus turned to principal axes, and the group's summary text.
#pragma once

#include <string>

#include "runtime/matrix.h"

namespace vexmoor {

// data: N × (3k + 1) landmark data matrix. Returns the k × 3 consensus of
// the group in its principal axes.
Matrix groupConsensus3D(const Matrix& data);

// "File <name> \n <N> 3D Samples \n <k> landmarks" as the load writes it.
std::string threeDimensionalSummary(const std::string& fileName, Index rows, Index cols);

}  // namespace vexmoor
