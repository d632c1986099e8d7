#include "shape/group_consensus3d.h"

#include <string>

#include "runtime/error.h"
#include "runtime/format.h"
#include "shape/centroid.h"
#include "shape/procrustes3d.h"

namespace vexmoor {

Matrix groupConsensus3D(const Matrix& data, Host& host) {
  if (data.cols() < 4 || (data.cols() - 1) % 3 != 0) {
    throw Error("the specimens have " + std::to_string(data.cols()) +
                " values each; three-dimensional data need 3k + 1 (k landmarks and a trailing "
                "value)");
  }
  Procrustes3D fit = getpproc3(vertxy3D(data), host);
  return pcaref3d(fit.reference).reference;
}

std::string threeDimensionalSummary(const std::string& fileName, Index rows, Index cols) {
  return format("File %s \\n %4.0f 3D Samples \\n %4.0f landmarks",
                {fileName, double(rows), double(cols - 1) / 3.0});
}

}  // namespace vexmoor
