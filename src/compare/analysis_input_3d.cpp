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

void checkCentroidSizes(const LandmarkArray& group, const std::string& label) {
  for (Index i = 0; i < group.specimens(); ++i) {
    if (!(centsize3Da(group.page(i)) > 0)) {
      throw Error(label + ", specimen " + std::to_string(i + 1) +
                  ": all landmarks coincide (centroid size 0), so the specimen has no shape");
    }
  }
}

}  // namespace

Matrix threeDimensionalScores(const Matrix& data1, const Matrix& data2, Host& host) {
  return threeDimensionalScores({{&data1, "group 1"}, {&data2, "group 2"}}, host);
}

Matrix threeDimensionalScores(const std::vector<GroupData>& groups, Host& host,
                              const Progress* progress) {
  return threeDimensionalFrame(groups, host, progress).scores;
}

ThreeDimensionalFrame threeDimensionalFrame(const std::vector<GroupData>& groups, Host& host,
                                            const Progress* progress) {
  LandmarkArray first = vertxy3D(*groups[0].data);
  if (first.landmarks() < kMinimumLandmarks) {
    throw Error("the specimens have " + std::to_string(first.landmarks()) +
                " landmarks; three-dimensional shape variables need at least " +
                std::to_string(kMinimumLandmarks));
  }
  checkCentroidSizes(first, groups[0].label);
  Index rows = groups[0].data->rows();
  for (size_t g = 1; g < groups.size(); ++g) {
    checkCentroidSizes(vertxy3D(*groups[g].data), groups[g].label);
    rows += groups[g].data->rows();
  }
  Matrix pooled(rows, groups[0].data->cols());
  Index row = 0;
  for (const GroupData& g : groups) {
    pooled.middleRows(row, g.data->rows()) = *g.data;
    row += g.data->rows();
  }
  Procrustes3D fit = getpproc3(vertxy3D(pooled), host, progress);
  PrincipalAxes3D axes = pcaref3d(fit.reference);
  LandmarkArray turned = rotate3da(fit.specimens, axes.rotation);
  try {
    auto basis = std::make_shared<const Lmatrix3D>(lmatrix3da(axes.reference, progress));
    Matrix scores = getpw3d(*basis, axes.reference, turned, progress);
    return {axes.reference, std::move(scores), std::move(basis)};
  } catch (const Error& e) {
    rethrowWithContext(groups.size() == 2
                           ? "the consensus of both groups"
                           : "the consensus of all " + std::to_string(groups.size()) + " groups",
                       e);
  }
}

}  // namespace vexmoor
