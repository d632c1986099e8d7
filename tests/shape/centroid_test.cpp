#include "shape/centroid.h"

#include <gtest/gtest.h>

#include <cmath>

#include "shape2d_fixtures.h"

namespace vexmoor {
namespace {

using testing::octagonRow;
using testing::similarCopy;

TEST(Centroid, TheTrailingValueIsNeverACoordinate) {
  RowVector row = octagonRow();  // 17 values
  RowVector bare = row.head(16);
  EXPECT_EQ(centpos(row), centpos(bare));
  Matrix withTrailing = row, without = bare;
  EXPECT_EQ(centsize(withTrailing)(0), centsize(without)(0));
  EXPECT_EQ(vertxy(row), vertxy(bare));
}

TEST(Centroid, PositionAndSizeOfASquare) {
  RowVector square(9);
  square << 1, 1, 3, 1, 3, 3, 1, 3, 42;
  EXPECT_EQ(centpos(square), RowVector::Constant(2, 2.0));
  Matrix one = square;
  Vector size = centsize(one);
  ASSERT_EQ(size.size(), 1);
  EXPECT_DOUBLE_EQ(size(0), std::sqrt(8.0));  // four corners at distance sqrt(2)
}

TEST(Centroid, SizeOfEveryRowAsAColumn) {
  Matrix x(3, 9);
  RowVector base = octagonRow().head(9);
  x.row(0) = base;
  x.row(1) = similarCopy(base, 2.0, 0.3, 5, -7);
  x.row(2) = similarCopy(base, 0.5, -2.0, 0, 1);
  Vector sizes = centsize(x);
  ASSERT_EQ(sizes.size(), 3);
  EXPECT_NEAR(sizes(1), 2.0 * sizes(0), 1e-12);
  EXPECT_NEAR(sizes(2), 0.5 * sizes(0), 1e-12);
}

TEST(Centroid, VertxyGivesTheLandmarkTable) {
  RowVector row(7);
  row << 1, 2, 3, 4, 5, 6, 99;
  Matrix table = vertxy(row);
  Matrix expected(2, 3);
  expected << 1, 3, 5, 2, 4, 6;
  EXPECT_EQ(table, expected);
}

TEST(Centroid, Vertxy3DDropsTheTrailingColumn) {
  Matrix x(2, 7);
  x << 1, 2, 3, 4, 5, 6, 99,  //
      7, 8, 9, 10, 11, 12, 98;
  LandmarkArray a = vertxy3D(x);
  ASSERT_EQ(a.landmarks(), 2);
  ASSERT_EQ(a.dims(), 3);
  ASSERT_EQ(a.specimens(), 2);
  EXPECT_EQ(a(1, 2, 0), 6);
  EXPECT_EQ(a(0, 0, 1), 7);
  EXPECT_EQ(a(1, 1, 1), 11);
  Matrix page0(2, 3);
  page0 << 1, 2, 3, 4, 5, 6;
  EXPECT_EQ(Matrix(a.page(0)), page0);
}

TEST(Centroid, Size3DIgnoresTranslationAndScalesLinearly) {
  Matrix page(4, 3);
  page << 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3;
  double size = centsize3Da(page);
  Matrix moved = page.rowwise() + RowVector::LinSpaced(3, 5, 9);
  EXPECT_NEAR(centsize3Da(moved), size, 1e-12);
  EXPECT_NEAR(centsize3Da(2.0 * page), 2.0 * size, 1e-12);
  // Centroid (0.25, 0.5, 0.75): squared distances add to 14 - 4 (0.0625 + 0.25 + 0.5625).
  EXPECT_NEAR(size, std::sqrt(14.0 - 4.0 * 0.875), 1e-12);
}

}  // namespace
}  // namespace vexmoor
