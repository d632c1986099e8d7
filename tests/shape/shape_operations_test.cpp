#include "shape/shape_operations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/operation_table.h"
#include "shape/centroid.h"
#include "shape/consensus2d.h"
#include "shape/partial_warps2d.h"
#include "shape/procrustes2d.h"
#include "shape2d_fixtures.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using testing::noisyGroup;
using testing::octagonRow;

class ShapeOperations : public ::testing::Test {
 protected:
  ShapeOperations() { bindShapeOperations(table); }

  std::vector<Value> call(const std::string& name, std::vector<Value> args, int nargout = 1) {
    return table.call(name, args, nargout);
  }
  std::string failure(const std::string& name, std::vector<Value> args, int nargout = 1) {
    return errorMessage([&] { table.call(name, args, nargout); });
  }

  OperationTable table;
};

TEST_F(ShapeOperations, ByNameCallsGiveTheTypedResults) {
  Matrix x = noisyGroup(octagonRow(), 8, 0.3, 5);
  std::vector<Value> consensus = call("getconsensuspca", {x}, 2);
  ASSERT_EQ(consensus.size(), 2u);
  Consensus2D typed = getconsensuspca(x);
  EXPECT_EQ(std::get<Matrix>(consensus[0]), Matrix(typed.reference));
  EXPECT_EQ(std::get<Matrix>(consensus[1]), typed.specimens);

  Matrix ref = typed.reference;
  Matrix fitted = std::get<Matrix>(call("getpsup", {x, ref})[0]);
  EXPECT_EQ(fitted, getpsup(x, typed.reference));
  Matrix scores = std::get<Matrix>(call("getpwpca", {ref, fitted})[0]);
  EXPECT_EQ(scores, getpwpca(typed.reference, fitted));

  // A column given for a row is read in linear order, as a row.
  Matrix column = octagonRow().transpose();
  EXPECT_EQ(std::get<Matrix>(call("centpos", {column})[0]), Matrix(centpos(octagonRow())));
}

TEST_F(ShapeOperations, ArgumentCountsAreChecked) {
  Matrix x = noisyGroup(octagonRow(), 3, 0.3, 5);
  EXPECT_EQ(failure("getconsensuspca", {x}, 3),
            "Run-time Error: File: getconsensuspca Line: 1 Column: 1 The function "
            "\"getconsensuspca\" was called with more than the declared number of outputs (2).");
  EXPECT_EQ(failure("centsize", {x, x}),
            "Run-time Error: File: centsize Line: 1 Column: 1 The function \"centsize\" was "
            "called with more than the declared number of inputs (1).");
  EXPECT_EQ(failure("getpsup", {x}),
            "Run-time Error: File: getpsup Line: 1 Column: 1 The input \"xref\" of \"getpsup\" has "
            "no value.");
}

TEST_F(ShapeOperations, SizesThatDoNotFitAreErrorsNotReadsPastTheEnd) {
  Matrix x = noisyGroup(octagonRow(), 3, 0.3, 5);
  Matrix shortRef = Matrix::Ones(1, 6);
  EXPECT_EQ(failure("getpsup", {x, shortRef}),
            "getpsup: the reference has 6 values; the specimens need at least 16");
  EXPECT_EQ(failure("getpwpca", {shortRef, x}),
            "getpwpca: the reference has 6 values; the specimens need at least 16");
  EXPECT_NE(failure("uspline", {Matrix::Ones(1, 3), Matrix::Ones(1, 2)}), "<no error>");
  EXPECT_NE(failure("gettspl", {Matrix::Ones(3, 4)}), "<no error>");
  EXPECT_NE(failure("gettpse", {Matrix::Ones(6, 5)}), "<no error>");
  EXPECT_NE(failure("centpos", {Matrix::Ones(1, 1)}), "<no error>");
  EXPECT_NE(failure("centsize3Da", {Matrix(0, 3)}), "<no error>");

  Matrix ref = getconsensuspca(x).reference;
  Matrix le = gettpse(gettspl(vertxy(ref)));
  EXPECT_NE(failure("scpcoeffpca", {le, Matrix::Ones(1, 15), ref}), "<no error>");
  EXPECT_NE(failure("scpcoeffpca", {le.leftCols(8), Matrix(x.row(0)), ref}), "<no error>");
  Matrix scores = std::get<Matrix>(call("scpcoeffpca", {le, Matrix(x.row(0)), ref})[0]);
  EXPECT_EQ(scores.rows(), 6);
  EXPECT_EQ(scores.cols(), 2);
  EXPECT_NE(failure("centsize", {textValue("abc")}), "<no error>");
}

}  // namespace
}  // namespace vexmoor
