#include "shape/group_consensus3d.h"

#include "runtime/error.h"
#include "runtime/format.h"

namespace vexmoor {

Matrix groupConsensus3D(const Matrix&) {
  throw Error("three-dimensional superimposition is not available yet");
}

std::string threeDimensionalSummary(const std::string& fileName, Index rows, Index cols) {
  return format("File %s \\n %4.0f 3D Samples \\n %4.0f landmarks",
                {fileName, double(rows), double(cols - 1) / 3.0});
}

}  // namespace vexmoor
