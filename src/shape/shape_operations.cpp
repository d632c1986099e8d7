#include "shape/shape_operations.h"

#include <string>

#include "runtime/error.h"
#include "shape/centroid.h"
#include "shape/consensus2d.h"
#include "shape/partial_warps2d.h"
#include "shape/procrustes2d.h"

namespace vexmoor {
namespace {

using Args = std::span<const Value>;

RowVector row(Args args, size_t i, std::string_view op, std::string_view name) {
  const Matrix& m = matrixInput(args, i, op, name);
  return m.reshaped().transpose();
}

// Called by name, an operation may receive inputs of any size; sizes that do
// not fit end the call with a message instead of reading past a matrix.
void require(bool ok, std::string_view op, const std::string& rule) {
  if (!ok) {
    throw Error(std::string(op) + ": " + rule);
  }
}

std::string count(Index n) {
  return std::to_string(n);
}

void requireSpecimenRows(const Matrix& x, std::string_view op) {
  require(x.rows() >= 1 && x.cols() >= 3, op,
          "x must hold specimen rows of at least one landmark and a trailing value; it is " +
              count(x.rows()) + " x " + count(x.cols()));
}

void requireReference(const RowVector& xref, Index columns, std::string_view op) {
  require(xref.size() >= columns - 1, op,
          "the reference has " + count(xref.size()) + " values; the specimens need at least " +
              count(columns - 1));
}

}  // namespace

void bindShapeOperations(OperationTable& t) {
  t.bind("centpos", [](Args a, int) -> std::vector<Value> {
    RowVector x = row(a, 0, "centpos", "x");
    require(x.size() >= 2, "centpos",
            "x needs at least one landmark (2 values); it has " + count(x.size()));
    return {Matrix(centpos(x))};
  });
  t.bind("centsize", [](Args a, int) -> std::vector<Value> {
    const Matrix& x = matrixInput(a, 0, "centsize", "x");
    require(x.cols() >= 2, "centsize",
            "x needs at least one landmark (2 columns); it has " + count(x.cols()));
    return {Matrix(centsize(x))};
  });
  t.bind("centsize3Da", [](Args a, int) -> std::vector<Value> {
    const Matrix& x = matrixInput(a, 0, "centsize3Da", "x");
    require(x.rows() >= 1, "centsize3Da", "x needs at least one landmark row");
    return {scalarValue(centsize3Da(x))};
  });
  t.bind("vertxy",
         [](Args a, int) -> std::vector<Value> { return {vertxy(row(a, 0, "vertxy", "x"))}; });
  t.bind("vertxy3D", [](Args a, int) -> std::vector<Value> {
    return {vertxy3D(matrixInput(a, 0, "vertxy3D", "x"))};
  });
  t.bind("getpsup", [](Args a, int) -> std::vector<Value> {
    const Matrix& x = matrixInput(a, 0, "getpsup", "x");
    RowVector xref = row(a, 1, "getpsup", "xref");
    requireSpecimenRows(x, "getpsup");
    requireReference(xref, x.cols(), "getpsup");
    return {getpsup(x, xref)};
  });
  t.bind("getconsensuspca", [](Args a, int) -> std::vector<Value> {
    const Matrix& x = matrixInput(a, 0, "getconsensuspca", "x");
    requireSpecimenRows(x, "getconsensuspca");
    Consensus2D c = getconsensuspca(x);
    return {Matrix(c.reference), c.specimens};
  });
  t.bind("uspline", [](Args a, int) -> std::vector<Value> {
    RowVector x1 = row(a, 0, "uspline", "x1");
    RowVector x2 = row(a, 1, "uspline", "x2");
    require(x1.size() == 2 && x2.size() == 2, "uspline", "x1 and x2 must be points (1 x 2)");
    return {scalarValue(uspline(x1, x2))};
  });
  t.bind("gettspl", [](Args a, int) -> std::vector<Value> {
    const Matrix& x = matrixInput(a, 0, "gettspl", "x");
    require(x.rows() == 2 && x.cols() >= 3, "gettspl",
            "x must be a 2 x k landmark table with k >= 3; it is " + count(x.rows()) + " x " +
                count(x.cols()));
    return {gettspl(x)};
  });
  t.bind("gettpse", [](Args a, int) -> std::vector<Value> {
    const Matrix& L = matrixInput(a, 0, "gettpse", "L");
    require(L.rows() == L.cols() && L.rows() >= 6, "gettpse",
            "L must be a square spline matrix of at least 3 landmarks; it is " + count(L.rows()) +
                " x " + count(L.cols()));
    return {gettpse(L)};
  });
  t.bind("uniparmproc", [](Args a, int) -> std::vector<Value> {
    return {Matrix(uniparmproc(row(a, 0, "uniparmproc", "yref")))};
  });
  t.bind("scpcoeffpca", [](Args a, int) -> std::vector<Value> {
    const Matrix& Le = matrixInput(a, 0, "scpcoeffpca", "Lex");
    RowVector x = row(a, 1, "scpcoeffpca", "x");
    RowVector xref = row(a, 2, "scpcoeffpca", "xref");
    Index k = (x.size() - 1) / 2;
    require(k >= 3 && x.size() == 2 * k + 1 && Le.rows() == k && Le.cols() == 2 * k, "scpcoeffpca",
            "x must hold 2k + 1 values (k >= 3) and Lex be k x 2k; they have " + count(x.size()) +
                " values and " + count(Le.rows()) + " x " + count(Le.cols()));
    requireReference(xref, x.size(), "scpcoeffpca");
    return {scpcoeffpca(Le, x, xref)};
  });
  t.bind("getpwpca", [](Args a, int) -> std::vector<Value> {
    RowVector xref = row(a, 0, "getpwpca", "xref");
    const Matrix& x = matrixInput(a, 1, "getpwpca", "x");
    requireSpecimenRows(x, "getpwpca");
    require(x.cols() % 2 == 1, "getpwpca",
            "x must hold 2k + 1 values for each specimen; it has " + count(x.cols()));
    requireReference(xref, x.cols(), "getpwpca");
    return {getpwpca(xref, x)};
  });
}

}  // namespace vexmoor
