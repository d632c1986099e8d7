#include "shape/shape_operations.h"

#include "shape/centroid.h"
#include "shape/consensus2d.h"
#include "shape/partial_warps2d.h"
#include "shape/procrustes2d.h"

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

}  // namespace

void bindShapeOperations(OperationTable& t) {
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
