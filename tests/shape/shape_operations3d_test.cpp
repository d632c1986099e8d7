// The three-dimensional operations called by name, as a layout callback or
// the console would call them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "shape/centroid.h"
#include "shape/partial_warps3d.h"
#include "shape/procrustes3d.h"
#include "shape/shape_operations.h"
#include "shape/threed_test_support.h"
#include "support/error_message.h"
#include "support/recording_host.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using ::testing::HasSubstr;
using testing::RecordingHost;

class ThreeDimensionalOperations : public ::testing::Test {
 protected:
  ThreeDimensionalOperations() {
    bindShapeOperations(table);
    bindThreeDimensionalShapeOperations(table, host);
  }

  std::vector<Value> call(std::string_view name, std::vector<Value> args, int nargout) {
    return table.call(name, args, nargout);
  }

  RecordingHost host;
  OperationTable table;
};

TEST_F(ThreeDimensionalOperations, RefuseMoreArgumentsThanDeclared) {
  Matrix x = Matrix::Identity(5, 3);
  EXPECT_EQ(errorMessage([&] { call("getpproc3", {x}, 3); }),
            "Run-time Error: File: getpproc3 Line: 1 Column: 1 The function \"getpproc3\" was "
            "called with more than the declared number of outputs (2).");
  EXPECT_EQ(errorMessage([&] {
              call("svdrot2", {x, x, x}, 1);
            }),
            "Run-time Error: File: svdrot2 Line: 1 Column: 1 The function \"svdrot2\" was "
            "called with more than the declared number of inputs (2).");
}

TEST_F(ThreeDimensionalOperations, ChainByNameGivesTheDirectScores) {
  std::mt19937 gen(31);
  Matrix rows(4, 3 * 6 + 1);
  for (Index i = 0; i < rows.rows(); ++i) {
    for (Index j = 0; j < rows.cols(); ++j) {
      rows(i, j) = 10 * testing::uniform(gen);
    }
  }
  Value datav = call("vertxy3D", {rows}, 1)[0];
  auto fit = call("getpproc3", {datav}, 2);
  auto axes = call("pcaref3d", {fit[0]}, 2);
  Value turned = call("rotate3da", {fit[1], axes[1]}, 1)[0];
  Matrix scores = std::get<Matrix>(call("getpw3d", {axes[0], turned}, 1)[0]);

  Procrustes3D direct = getpproc3(vertxy3D(rows));
  PrincipalAxes3D directAxes = pcaref3d(direct.reference);
  Matrix expected = getpw3d(directAxes.reference, rotate3da(direct.specimens, directAxes.rotation));
  EXPECT_TRUE(scores.isApprox(expected));
  EXPECT_EQ(scores.cols(), 11);

  auto l = call("lmatrix3da", {axes[0]}, 4);
  ASSERT_EQ(l.size(), 4u);
  Matrix b = std::get<Matrix>(l[1]);
  EXPECT_EQ(b.rows(), 6);
  EXPECT_TRUE(b.isDiagonal());
}

TEST_F(ThreeDimensionalOperations, RotationDiagnosticGoesToTheBoundConsole) {
  Matrix ref = Matrix::Identity(4, 3);
  ref(1, 1) = std::numeric_limits<double>::infinity();
  call("partialprocrustes3a", {ref, Matrix(Matrix::Identity(4, 3))}, 1);
  EXPECT_THAT(host.console, HasSubstr("Error in rotation"));
}

}  // namespace
}  // namespace vexmoor
