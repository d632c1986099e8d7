#include <string>

#include "compare/analysis_input.h"
#include "runtime/error.h"
#include "shape/centroid.h"
#include "shape/partial_warps3d.h"
#include "shape/procrustes3d.h"

namespace vexmoor {
namespace {

// Below this many landmarks the bending-energy matrix has no non-affine
// warp at all.
constexpr Index kMinimumLandmarks = 5;

void checkCentroidSizes(const LandmarkArray& group, int g) {
  for (Index i = 0; i < group.specimens(); ++i) {
    if (!(centsize3Da(group.page(i)) > 0)) {
      throw Error("group " + std::to_string(g) + ", specimen " + std::to_string(i + 1) +
                  ": all landmarks coincide (centroid size 0), so the specimen has no shape");
    }
  }
}

}  // namespace

Matrix threeDimensionalScores(const Matrix& data1, const Matrix& data2, Host& host) {
  LandmarkArray group1 = vertxy3D(data1);
  if (group1.landmarks() < kMinimumLandmarks) {
    throw Error("the specimens have " + std::to_string(group1.landmarks()) +
                " landmarks; three-dimensional shape variables need at least " +
                std::to_string(kMinimumLandmarks));
  }
  checkCentroidSizes(group1, 1);
  checkCentroidSizes(vertxy3D(data2), 2);
  Matrix pooled(data1.rows() + data2.rows(), data1.cols());
  pooled << data1, data2;
  Procrustes3D fit = getpproc3(vertxy3D(pooled), host);
  PrincipalAxes3D axes = pcaref3d(fit.reference);
  LandmarkArray turned = rotate3da(fit.specimens, axes.rotation);
  try {
    return getpw3d(axes.reference, turned);
  } catch (const Error& e) {
    rethrowWithContext("the consensus of both groups", e);
  }
}

}  // namespace vexmoor
