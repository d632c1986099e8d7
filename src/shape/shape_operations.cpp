#include "shape/shape_operations.h"

#include "shape/centroid.h"
#include "shape/consensus2d.h"
#include "shape/partial_warps2d.h"
#include "shape/partial_warps3d.h"
#include "shape/procrustes2d.h"
#include "shape/procrustes3d.h"

namespace vexmoor {
namespace {

using Args = std::span<const Value>;

const Matrix& in(Args args, size_t i, std::string_view op, std::string_view name) {
  return matrixArg(requiredArg(args, i, op, name), op, name);
}

RowVector row(Args args, size_t i, std::string_view op, std::string_view name) {
  const Matrix& m = in(args, i, op, name);
  return m.reshaped().transpose();
}

LandmarkArray array(Args args, size_t i, std::string_view op, std::string_view name) {
  return landmarkArrayArg(requiredArg(args, i, op, name), op, name);
}

// A set of one specimen is the specimen itself, as the runtime's k × d × 1
// array is its k × d matrix.
Value arrayValue(const LandmarkArray& a) {
  if (a.specimens() == 1) {
    return Matrix(a.page(0));
  }
  return a;
}

void bindThreeDimensionalOperations(OperationTable& t, Host& host) {
  t.bind("svdrot2", [](Args a, int) -> std::vector<Value> {
    return {svdrot2(in(a, 0, "svdrot2", "reference"), in(a, 1, "svdrot2", "subject"))};
  });
  t.bind("partialprocrustes3a", [&host](Args a, int) -> std::vector<Value> {
    return {partialprocrustes3a(in(a, 0, "partialprocrustes3a", "reference"),
                                in(a, 1, "partialprocrustes3a", "subject"), host)};
  });
  t.bind("getpproc3", [&host](Args a, int) -> std::vector<Value> {
    Procrustes3D fit = getpproc3(array(a, 0, "getpproc3", "data"), host);
    return {fit.reference, arrayValue(fit.specimens)};
  });
  t.bind("pcaref3d", [](Args a, int) -> std::vector<Value> {
    PrincipalAxes3D axes = pcaref3d(in(a, 0, "pcaref3d", "reference"));
    return {axes.reference, axes.rotation};
  });
  t.bind("rotate3da", [](Args a, int) -> std::vector<Value> {
    return {arrayValue(rotate3da(array(a, 0, "rotate3da", "x"), in(a, 1, "rotate3da", "roto")))};
  });
  t.bind("lmatrix3da", [](Args a, int) -> std::vector<Value> {
    Lmatrix3D l = lmatrix3da(in(a, 0, "lmatrix3da", "x"));
    return {l.a, Matrix(l.b.asDiagonal()), l.s1, l.af};
  });
  t.bind("getpw3d", [](Args a, int) -> std::vector<Value> {
    return {getpw3d(in(a, 0, "getpw3d", "ref"), array(a, 1, "getpw3d", "data"))};
  });
}

}  // namespace

void bindShapeOperations(OperationTable& t, Host& host) {
  bindThreeDimensionalOperations(t, host);
  t.bind("centpos", [](Args a, int) -> std::vector<Value> {
    return {Matrix(centpos(row(a, 0, "centpos", "x")))};
  });
  t.bind("centsize", [](Args a, int) -> std::vector<Value> {
    return {Matrix(centsize(in(a, 0, "centsize", "x")))};
  });
  t.bind("centsize3Da", [](Args a, int) -> std::vector<Value> {
    return {scalarValue(centsize3Da(in(a, 0, "centsize3Da", "x")))};
  });
  t.bind("vertxy",
         [](Args a, int) -> std::vector<Value> { return {vertxy(row(a, 0, "vertxy", "x"))}; });
  t.bind("vertxy3D",
         [](Args a, int) -> std::vector<Value> { return {vertxy3D(in(a, 0, "vertxy3D", "x"))}; });
  t.bind("getpsup", [](Args a, int) -> std::vector<Value> {
    return {getpsup(in(a, 0, "getpsup", "x"), row(a, 1, "getpsup", "xref"))};
  });
  t.bind("getconsensuspca", [](Args a, int) -> std::vector<Value> {
    Consensus2D c = getconsensuspca(in(a, 0, "getconsensuspca", "x"));
    return {Matrix(c.reference), c.specimens};
  });
  t.bind("uspline", [](Args a, int) -> std::vector<Value> {
    return {scalarValue(uspline(row(a, 0, "uspline", "x1"), row(a, 1, "uspline", "x2")))};
  });
  t.bind("gettspl",
         [](Args a, int) -> std::vector<Value> { return {gettspl(in(a, 0, "gettspl", "x"))}; });
  t.bind("gettpse",
         [](Args a, int) -> std::vector<Value> { return {gettpse(in(a, 0, "gettpse", "L"))}; });
  t.bind("uniparmproc", [](Args a, int) -> std::vector<Value> {
    return {Matrix(uniparmproc(row(a, 0, "uniparmproc", "yref")))};
  });
  t.bind("scpcoeffpca", [](Args a, int) -> std::vector<Value> {
    return {scpcoeffpca(in(a, 0, "scpcoeffpca", "Lex"), row(a, 1, "scpcoeffpca", "x"),
                        row(a, 2, "scpcoeffpca", "xref"))};
  });
  t.bind("getpwpca", [](Args a, int) -> std::vector<Value> {
    return {getpwpca(row(a, 0, "getpwpca", "xref"), in(a, 1, "getpwpca", "x"))};
  });
}

}  // namespace vexmoor
