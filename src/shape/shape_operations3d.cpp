#include "runtime/value.h"
#include "shape/partial_warps3d.h"
#include "shape/procrustes3d.h"
#include "shape/shape_operations.h"

namespace vexmoor {
namespace {

using Args = std::span<const Value>;

// A set of one specimen is the specimen itself, as the runtime's k × d × 1
// array is its k × d matrix.
Value arrayValue(const LandmarkArray& a) {
  if (a.specimens() == 1) {
    return Matrix(a.page(0));
  }
  return a;
}

}  // namespace

void bindThreeDimensionalShapeOperations(OperationTable& t, Host& host) {
  t.bind("svdrot2", [](Args a, int) -> std::vector<Value> {
    return {svdrot2(matrixInput(a, 0, "svdrot2", "reference"),
                    matrixInput(a, 1, "svdrot2", "subject"))};
  });
  t.bind("partialprocrustes3a", [&host](Args a, int) -> std::vector<Value> {
    return {partialprocrustes3a(matrixInput(a, 0, "partialprocrustes3a", "reference"),
                                matrixInput(a, 1, "partialprocrustes3a", "subject"), host)};
  });
  t.bind("getpproc3", [&host](Args a, int) -> std::vector<Value> {
    Procrustes3D fit = getpproc3(landmarkArrayInput(a, 0, "getpproc3", "data"), host);
    return {fit.reference, arrayValue(fit.specimens)};
  });
  t.bind("pcaref3d", [](Args a, int) -> std::vector<Value> {
    PrincipalAxes3D axes = pcaref3d(matrixInput(a, 0, "pcaref3d", "reference"));
    return {axes.reference, axes.rotation};
  });
  t.bind("rotate3da", [](Args a, int) -> std::vector<Value> {
    return {arrayValue(rotate3da(landmarkArrayInput(a, 0, "rotate3da", "x"),
                                 matrixInput(a, 1, "rotate3da", "roto")))};
  });
  t.bind("lmatrix3da", [](Args a, int) -> std::vector<Value> {
    Lmatrix3D l = lmatrix3da(matrixInput(a, 0, "lmatrix3da", "x"));
    return {l.a, Matrix(l.b.asDiagonal()), l.s1, scoreBasis(l)};
  });
  t.bind("getpw3d", [](Args a, int) -> std::vector<Value> {
    return {
        getpw3d(matrixInput(a, 0, "getpw3d", "ref"), landmarkArrayInput(a, 1, "getpw3d", "data"))};
  });
}

}  // namespace vexmoor
