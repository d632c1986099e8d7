#include "shape/shape_variable_map.h"

#include <gtest/gtest.h>

#include <random>

#include "runtime/error.h"
#include "shape/consensus2d.h"
#include "shape/partial_warps2d.h"
#include "shape/partial_warps3d.h"
#include "shape/procrustes2d.h"
#include "shape/procrustes3d.h"
#include "shape/thin_plate_spline.h"
#include "shape/threed_test_support.h"

namespace vexmoor {
namespace {

using testing::normalised;
using testing::randomShape;
using testing::uniform;

// The directions the shape variables must not see at `shape` (k × d):
// translations, infinitesimal rotations and the change of size, as
// interleaved coordinate vectors (columns).
Matrix similarityDirections(const Matrix& shape) {
  Index k = shape.rows(), d = shape.cols();
  std::vector<Vector> dirs;
  for (Index a = 0; a < d; ++a) {
    Matrix t = Matrix::Zero(k, d);
    t.col(a).setOnes();
    dirs.push_back(t.reshaped<Eigen::RowMajor>());
  }
  for (Index a = 0; a < d; ++a) {
    for (Index b = a + 1; b < d; ++b) {
      Matrix r = Matrix::Zero(k, d);
      r.col(a) = -shape.col(b);
      r.col(b) = shape.col(a);
      dirs.push_back(r.reshaped<Eigen::RowMajor>());
    }
  }
  dirs.push_back(shape.reshaped<Eigen::RowMajor>());
  Matrix m(k * d, static_cast<Index>(dirs.size()));
  for (size_t i = 0; i < dirs.size(); ++i) {
    m.col(static_cast<Index>(i)) = dirs[i];
  }
  return m;
}

Vector randomChange(std::mt19937& gen, Index n) {
  Vector v(n);
  for (Index i = 0; i < n; ++i) {
    v(i) = uniform(gen);
  }
  return v;
}

// The map is what getpwpca and getpw3d compute, and its way back lands
// exactly on the change asked for with nothing the scores cannot see.
TEST(ShapeVariableMap, IsTheScoresAndItsInverseHoldsOnlyShape) {
  std::mt19937 gen(41);
  for (int d : {2, 3}) {
    SCOPED_TRACE("dimension " + std::to_string(d));
    const Index k = 9;
    Matrix consensus;
    Matrix specimens(6, d * k);  // interleaved rows
    Matrix scores;
    if (d == 2) {
      Matrix raw(12, 2 * k + 1);
      Matrix base = randomShape(gen, k).leftCols(2);
      for (Index i = 0; i < raw.rows(); ++i) {
        Matrix s = base + 0.1 * Matrix::NullaryExpr(k, 2, [&] { return uniform(gen); });
        raw.row(i) << s.reshaped<Eigen::RowMajor>().transpose(), 1.0 + i;
      }
      RowVector ref = getconsensuspca(raw).reference;
      Matrix fitted = getpsup(raw.topRows(6), ref);
      consensus = ref.head(2 * k).reshaped<Eigen::RowMajor>(k, 2);
      specimens = fitted.leftCols(2 * k);
      scores = getpwpca(ref, fitted).leftCols(2 * k - 4);
    } else {
      consensus = pcaref3d(normalised(randomShape(gen, k))).reference;
      LandmarkArray pages(k, 3, 6);
      for (Index i = 0; i < 6; ++i) {
        pages.page(i) = consensus + 0.05 * Matrix::NullaryExpr(k, 3, [&] { return uniform(gen); });
        specimens.row(i) = pages.page(i).reshaped<Eigen::RowMajor>().transpose();
      }
      scores = getpw3d(consensus, pages).leftCols(3 * k - 8);
      specimens.rowwise() -= consensus.reshaped<Eigen::RowMajor>().transpose();
    }
    Index p = scores.cols();
    ShapeVariableMap map = d == 2 ? ShapeVariableMap::partialWarps2D(consensus, p)
                                  : ShapeVariableMap::partialWarps3D(consensus, p);
    for (Index i = 0; i < specimens.rows(); ++i) {
      EXPECT_TRUE(
          map.image(specimens.row(i).transpose()).isApprox(scores.row(i).transpose(), 1e-10));
    }

    Vector change = randomChange(gen, p);
    Matrix delta = map.displacement(change);
    ASSERT_EQ(delta.rows(), k);
    ASSERT_EQ(delta.cols(), d);
    Vector flat = delta.reshaped<Eigen::RowMajor>();
    EXPECT_TRUE(map.image(flat).isApprox(change, 1e-10));
    Matrix unseen = similarityDirections(consensus);
    EXPECT_LT((unseen.transpose() * flat).cwiseAbs().maxCoeff(), 1e-10 * flat.norm());
    // ... and they are all the scores do not see.
    for (Index j = 0; j < unseen.cols(); ++j) {
      EXPECT_LT(map.image(unseen.col(j)).cwiseAbs().maxCoeff(), 1e-9);
    }
  }
  // Raw coordinates: the coordinate part of the change, the trailing
  // variable lost.
  ShapeVariableMap raw = ShapeVariableMap::coordinates(3, 2, 7);
  Vector change(7);
  change << 1, 2, 3, 4, 5, 6, 7;
  Matrix expected(3, 2);
  expected << 1, 2, 3, 4, 5, 6;
  EXPECT_EQ(raw.displacement(change), expected);
}

// Bookstein's spline takes every landmark to its target and reproduces an
// affine map everywhere.
TEST(ThinPlateSpline2D, ExactAtTheLandmarksAndForAffineTargets) {
  std::mt19937 gen(43);
  Matrix source = randomShape(gen, 8).leftCols(2);
  Matrix bent = source + 0.3 * Matrix::NullaryExpr(8, 2, [&] { return uniform(gen); });
  ThinPlateSpline2D spline(source, bent);
  for (Index i = 0; i < 8; ++i) {
    auto [u, v] = spline(source(i, 0), source(i, 1));
    EXPECT_NEAR(u, bent(i, 0), 1e-10);
    EXPECT_NEAR(v, bent(i, 1), 1e-10);
  }
  Eigen::Matrix2d a;
  a << 1.3, -0.4, 0.2, 0.8;
  Eigen::RowVector2d shift(0.5, -1.5);
  Matrix affine = (source * a.transpose()).rowwise() + shift;
  DeformationGrid plain = squareGrid(source, 6, 3, 0.1);
  DeformationGrid grid = deformationGrid(ThinPlateSpline2D(source, affine), plain);
  ASSERT_EQ(grid.lines.size(), static_cast<size_t>(grid.rows + grid.columns));
  // The field of a displacement, scaled, warps onto source + f · shift.
  Matrix shift2 = bent - source;
  DeformationGrid field = deformationGrid(ThinPlateSpline2D(source, shift2), plain);
  DeformationGrid direct = deformationGrid(ThinPlateSpline2D(source, source - 2 * shift2), plain);
  for (size_t l = 0; l < grid.lines.size(); ++l) {
    Matrix expected = (plain.lines[l] * a.transpose()).rowwise() + shift;
    EXPECT_TRUE(grid.lines[l].isApprox(expected, 1e-10));
    EXPECT_TRUE(direct.lines[l].isApprox(plain.lines[l] - 2 * field.lines[l], 1e-10));
  }
  // The identity leaves the grid square, covering every landmark.
  RowVector lo = plain.lines.front().colwise().minCoeff();
  RowVector hi = plain.lines.back().colwise().maxCoeff();
  EXPECT_TRUE((source.colwise().minCoeff().array() > lo.array()).all());
  EXPECT_TRUE((source.colwise().maxCoeff().array() < hi.array()).all());

  Matrix line(3, 2);
  line << 0, 0, 1, 1, 2, 2;
  EXPECT_THROW(ThinPlateSpline2D(line, line), Error);  // collinear: no spline
}

}  // namespace
}  // namespace vexmoor
