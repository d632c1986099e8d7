#include "shape/partial_warps2d.h"

#include <gtest/gtest.h>

#include <cmath>

#include "io/landmark_file.h"
#include "shape/centroid.h"
#include "shape/consensus2d.h"
#include "shape/procrustes2d.h"
#include "shape2d_fixtures.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using testing::noisyGroup;
using testing::octagonRow;

RowVector alignedConsensus(const Matrix& x) {
  return getconsensuspca(x).reference;
}

// The spline matrix whose inverse is `t` (exact for diagonal t of powers of two).
Matrix splineWithInverse(const Matrix& t) {
  return t.inverse();
}

TEST(Uspline, KernelValues) {
  RowVector a(2), b(2);
  a << 0, 0;
  b << 1, 1;
  EXPECT_EQ(uspline(a, a), 0.0);
  EXPECT_DOUBLE_EQ(uspline(a, b), 2.0 * std::log(2.0));
  EXPECT_DOUBLE_EQ(uspline(b, a), uspline(a, b));
  RowVector c(2);
  c << 1, 0;
  EXPECT_EQ(uspline(a, c), 0.0);  // r² = 1
}

TEST(Gettspl, HasTheBorderedKernelLayout) {
  Matrix table = vertxy(octagonRow());
  Matrix L = gettspl(table);
  ASSERT_EQ(L.rows(), 11);
  ASSERT_EQ(L.cols(), 11);
  EXPECT_EQ(L, L.transpose());
  EXPECT_EQ(L.bottomRightCorner(3, 3), Matrix::Zero(3, 3));
  EXPECT_EQ(L.topLeftCorner(8, 8).diagonal(), Vector::Zero(8));
  EXPECT_EQ(L.block(0, 8, 8, 1), Matrix::Ones(8, 1));
  EXPECT_EQ(L.block(0, 9, 8, 2), table.transpose());
  EXPECT_DOUBLE_EQ(L(0, 2), uspline(table.col(0).transpose(), table.col(2).transpose()));
}

TEST(Gettpse, PrincipalWarpsOfARealConsensus) {
  Matrix x = noisyGroup(octagonRow(), 10, 0.3, 2);
  RowVector ref = alignedConsensus(x);
  Matrix table = vertxy(ref);
  Matrix L = gettspl(table);
  Matrix Le = gettpse(L);
  ASSERT_EQ(Le.rows(), 8);
  ASSERT_EQ(Le.cols(), 16);
  Matrix V = Le.leftCols(8);
  Matrix D = Le.rightCols(8);
  Matrix bending = L.inverse().topLeftCorner(8, 8);
  EXPECT_LT((V.transpose() * V - Matrix::Identity(8, 8)).norm(), 1e-12);
  EXPECT_EQ(D, Matrix(D.diagonal().asDiagonal()));
  for (Index i = 0; i < 8; ++i) {
    EXPECT_GE(D(i, i), 0);
    if (i > 0) {
      EXPECT_GE(D(i - 1, i - 1), D(i, i));
    }
  }
  // Five non-affine warps with positive bending energy, three affine ones near zero.
  EXPECT_GT(D(4, 4), 1e-6 * D(0, 0));
  EXPECT_LT(D(5, 5), 1e-10 * D(0, 0));
  Matrix affine(8, 3);
  affine << Vector::Ones(8), table.transpose();
  for (Index i = 0; i < 5; ++i) {
    EXPECT_LT((bending * V.col(i) - D(i, i) * V.col(i)).norm(), 1e-9 * D(0, 0));
    EXPECT_LT((affine.transpose() * V.col(i)).norm(), 1e-10) << "warp " << i + 1;
  }
}

TEST(Gettpse, NegativeEigenvaluesTurnPositiveAndVectorsKeepTheSignConvention) {
  // The bending block of the inverse is diag(-4, 1, 2): the sign step makes
  // it 4, 1, 2 and the exchange sort 4, 2, 1. Whatever sign the solver and
  // the sign step leave, each vector ends with its largest entry positive.
  Vector diag(6);
  diag << -4, 1, 2, 1, 1, 1;
  Matrix Le = gettpse(splineWithInverse(diag.asDiagonal()));
  Matrix expectedV(3, 3);
  expectedV << 1, 0, 0, 0, 0, 1, 0, 1, 0;  // the axes of -4, 2 and 1
  EXPECT_EQ(Le.leftCols(3), expectedV);
  Matrix expectedD = Vector((Vector(3) << 4, 2, 1).finished()).asDiagonal();
  EXPECT_EQ(Le.rightCols(3), expectedD);
}

TEST(Gettpse, TheExchangeSortMovesTiedEigenvaluesAsItsExchangesDo) {
  // Eigenvalues 2, 2, 4 in ascending order: the exchange of the first with
  // the third gives 4, 2(second), 2(first). A stable sort would keep the
  // tied pair in its first order, and the score columns would differ.
  Vector diag(6);
  diag << 2, 2, 4, 1, 1, 1;
  Matrix Le = gettpse(splineWithInverse(diag.asDiagonal()));
  Eigen::SelfAdjointEigenSolver<Matrix> eig(Matrix(diag.head(3).asDiagonal()));
  Matrix s = eig.eigenvectors();
  Matrix expectedV(3, 3);
  expectedV << s.col(2), s.col(1), s.col(0);
  EXPECT_EQ(Le.leftCols(3), expectedV);
  Vector d = Le.rightCols(3).diagonal();
  EXPECT_EQ(d, (Vector(3) << 4, 2, 2).finished());
}

TEST(Gettpse, CollinearLandmarksHaveNoSpline) {
  Matrix table(2, 4);
  table << 0, 1, 2, 3, 0, 1, 2, 3;
  EXPECT_EQ(errorMessage([&] { gettpse(gettspl(table)); }),
            "the thin-plate spline of the reference is singular: its landmarks coincide or lie on "
            "one line");
}

TEST(Uniparmproc, SumsOfSquaredCoordinates) {
  RowVector ref(7);
  ref << 1, 2, 3, 4, 5, 6, 999;
  RowVector ag = uniparmproc(ref);
  EXPECT_EQ(ag(0), 1 + 9 + 25);
  EXPECT_EQ(ag(1), 4 + 16 + 36);
}

TEST(Getpwpca, ColumnLayoutAndTrailingValue) {
  RowVector four(9);
  four << 0, 0, 2, 0.2, 2.1, 1.8, -0.1, 2.2, 1;
  Matrix x = noisyGroup(four, 6, 0.1, 9);
  RowVector ref = alignedConsensus(x);
  Matrix y = getpwpca(ref, getpsup(x, ref));
  ASSERT_EQ(y.rows(), 6);
  ASSERT_EQ(y.cols(), 5);  // one warp pair, two uniforms, the trailing value
  EXPECT_EQ(y.col(4), x.col(8));
}

TEST(Getpwpca, TheConsensusScoresZero) {
  Matrix x = noisyGroup(octagonRow(), 15, 0.3, 4);
  RowVector ref = alignedConsensus(x);
  Matrix y = getpwpca(ref, ref);
  ASSERT_EQ(y.cols(), 13);
  EXPECT_LT(y.leftCols(12).norm(), 1e-12);
  EXPECT_EQ(y(0, 12), 999);
}

TEST(Getpwpca, ScoresAreAnOrthonormalMapOfTheShapeDirections) {
  // With the consensus on its principal axes, the 2k - 4 scores are the
  // coordinates in an orthonormal basis of what remains after translation,
  // size and rotation of the consensus are taken out.
  Matrix x = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt");
  RowVector ref = alignedConsensus(x);
  Matrix le = gettpse(gettspl(vertxy(ref)));
  Matrix W(12, 16);
  for (Index c = 0; c < 16; ++c) {
    RowVector unit = RowVector::Zero(17);
    unit(c) = 1;
    Matrix scores = scpcoeffpca(le, unit, ref);
    for (Index j = 0; j < 6; ++j) {
      W(2 * j, c) = scores(j, 0);
      W(2 * j + 1, c) = scores(j, 1);
    }
  }
  EXPECT_LT((W * W.transpose() - Matrix::Identity(12, 12)).norm(), 1e-10);
  Matrix removed(16, 4);
  for (Index j = 0; j < 8; ++j) {
    double xr = ref(2 * j), yr = ref(2 * j + 1);
    removed.row(2 * j) << 1, 0, xr, -yr;
    removed.row(2 * j + 1) << 0, 1, yr, xr;
  }
  EXPECT_LT((W * removed).norm(), 1e-10);
}

TEST(Getpwpca, RowsAreScoredOneByOne) {
  Matrix x = noisyGroup(octagonRow(), 12, 0.3, 21);
  RowVector ref = alignedConsensus(x);
  Matrix fitted = getpsup(x, ref);
  Matrix all = getpwpca(ref, fitted);
  Matrix part = getpwpca(ref, fitted.bottomRows(4));
  EXPECT_EQ(part, all.bottomRows(4));
}

TEST(Getpwpca, NeedsThreeLandmarksAndSpread) {
  RowVector two(5);
  two << 0, 0, 1, 1, 3;
  EXPECT_EQ(errorMessage([&] { getpwpca(two, Matrix(two)); }),
            "partial warps need at least 3 landmarks; the specimens have 2");
}

}  // namespace
}  // namespace vexmoor

namespace vexmoor {
namespace {

// From kStepwiseSize landmarks on the warps come without the inverse: the
// same eigenvalues and (up to sign) warps as the inverse's bending energy.
TEST(Gettpse, ManyLandmarksGiveTheWarpsOfTheInverse) {
  const Index k = 210;
  Matrix table(2, k);
  for (Index i = 0; i < k; ++i) {
    double t = 2 * kPi * static_cast<double>(i) / static_cast<double>(k);
    table(0, i) = 2 * std::cos(t) + 0.05 * std::sin(7.0 * i);
    table(1, i) = std::sin(t) + 0.05 * std::cos(5.0 * i);
  }
  Matrix L = gettspl(table);
  Matrix Le = gettpse(L);
  Matrix bending = L.inverse().topLeftCorner(k, k);
  Eigen::SelfAdjointEigenSolver<Matrix> eig(0.5 * (bending + bending.transpose()));
  Vector d = Le.rightCols(k).diagonal();
  for (Index i = 0; i < k - 3; ++i) {
    double expected = eig.eigenvalues()(k - 1 - i);
    EXPECT_NEAR(d(i), expected, 1e-8 * eig.eigenvalues().maxCoeff()) << i;
    if (i < 10) {
      EXPECT_NEAR(std::abs(Le.col(i).dot(eig.eigenvectors().col(k - 1 - i))), 1.0, 1e-8) << i;
    }
  }
  EXPECT_LT(
      (Le.leftCols(k).transpose() * Le.leftCols(k) - Matrix::Identity(k, k)).cwiseAbs().maxCoeff(),
      1e-10);
}

}  // namespace
}  // namespace vexmoor
