#include "shape/partial_warps3d.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "shape/procrustes3d.h"
#include "shape/threed_test_support.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using ::testing::HasSubstr;
using testing::normalised;
using testing::randomShape;

constexpr double kTol = 1e-10;

// A reference as the analyses hand it over: centred, unit size, principal axes.
Matrix referenceInPrincipalAxes(unsigned seed, Index k) {
  std::mt19937 gen(seed);
  return pcaref3d(normalised(randomShape(gen, k))).reference;
}

TEST(Lmatrix3da, ShapesFollowTheNumberOfLandmarks) {
  for (Index k : {5, 6, 9, 24}) {
    SCOPED_TRACE("k = " + std::to_string(k));
    Lmatrix3D l = lmatrix3da(referenceInPrincipalAxes(21, k));
    EXPECT_EQ(l.a.rows(), k);
    EXPECT_EQ(l.a.cols(), k);
    EXPECT_EQ(l.s1.rows(), 3 * k);
    EXPECT_EQ(l.s1.cols(), 5);
    EXPECT_EQ(scoreBasis(l).rows(), 3 * k);
    EXPECT_EQ(scoreBasis(l).cols(), 3 * k - 7);
    EXPECT_TRUE(std::is_sorted(l.b.begin(), l.b.end()));
  }
}

TEST(Lmatrix3da, UniformBasisIsOrthonormalInPrincipalAxes) {
  for (unsigned seed : {22u, 23u, 24u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Lmatrix3D l = lmatrix3da(referenceInPrincipalAxes(seed, 10));
    EXPECT_TRUE((l.s1.transpose() * l.s1).isIdentity(kTol));
    EXPECT_TRUE(scoreBasis(l).rightCols(5).isApprox(l.s1));
  }
}

TEST(Lmatrix3da, WarpsAreNonAffineAndLargestBendingFirst) {
  Matrix ref = referenceInPrincipalAxes(25, 9);
  Lmatrix3D l = lmatrix3da(ref);
  Matrix affine(9, 4);
  affine << Matrix::Ones(9, 1), ref;
  Index p = (scoreBasis(l).cols() - 5) / 3;
  Vector previous;
  for (Index w = 0; w < p; ++w) {
    Vector warp = scoreBasis(l).col(3 * w).head(9);
    EXPECT_LT((affine.transpose() * warp).norm(), kTol) << "warp " << w;
    // The same warp drives the y and z differences in their own blocks.
    EXPECT_TRUE(scoreBasis(l).col(3 * w + 1).segment(9, 9).isApprox(warp));
    EXPECT_TRUE(scoreBasis(l).col(3 * w + 2).segment(18, 9).isApprox(warp));
  }
  // With the distance kernel the bending-energy matrix is negative
  // semi-definite: the kept eigenvalues are negative, most negative first.
  EXPECT_LT(l.b(0), l.b(1));
  EXPECT_LT(l.b(p - 1), -kTol);
}

// The four affine eigenvalues are zero only up to rounding, and their size
// grows as the reference shrinks. Whatever their size, exactly four are
// dropped and the warps are those of the same reference at unit size.
TEST(Lmatrix3da, DropsExactlyTheFourAffineEigenvaluesAtAnyScale) {
  Matrix ref = referenceInPrincipalAxes(26, 24);
  Lmatrix3D unit = lmatrix3da(ref);
  for (double scale : {1e-3, 1e-5}) {
    SCOPED_TRACE("scale " + std::to_string(scale));
    Lmatrix3D small = lmatrix3da(scale * ref);
    std::vector<double> magnitudes(small.b.begin(), small.b.end());
    for (double& m : magnitudes) {
      m = std::abs(m);
    }
    std::sort(magnitudes.begin(), magnitudes.end());
    // The case at hand: affine eigenvalues above a fixed 1e-14 bound.
    ASSERT_GT(magnitudes[3], 1e-14);
    ASSERT_EQ(scoreBasis(small).cols(), 3 * 24 - 7);
    for (Index c = 0; c < scoreBasis(small).cols() - 5; ++c) {
      EXPECT_NEAR(std::abs(scoreBasis(small).col(c).dot(scoreBasis(unit).col(c))), 1.0, 1e-8)
          << "column " << c;
    }
  }
}

TEST(Lmatrix3da, RejectsReferencesWithoutAThreeDimensionalSpline) {
  EXPECT_EQ(errorMessage([] { lmatrix3da(referenceInPrincipalAxes(27, 4)); }),
            "three-dimensional shape variables need at least five landmarks; there are 4");

  Matrix flat = referenceInPrincipalAxes(27, 8);
  flat.col(0).setZero();
  EXPECT_THAT(errorMessage([&] { lmatrix3da(flat); }), HasSubstr("lie in one plane"));

  Matrix twice = referenceInPrincipalAxes(27, 8);
  twice.row(4) = twice.row(1);
  EXPECT_EQ(errorMessage([&] { lmatrix3da(twice); }),
            "landmarks 2 and 5 of the reference coincide, so the thin-plate spline has no "
            "solution");

  EXPECT_THAT(errorMessage([] { lmatrix3da(Matrix::Random(6, 2)); }),
              HasSubstr("the reference has 2 columns"));
}

TEST(Getpw3d, TheReferenceScoresZero) {
  Matrix ref = referenceInPrincipalAxes(28, 7);
  LandmarkArray data(7, 3, 3);
  for (Index i = 0; i < 3; ++i) {
    data.page(i) = ref;
  }
  Matrix scores = getpw3d(ref, data);
  EXPECT_EQ(scores.rows(), 3);
  EXPECT_EQ(scores.cols(), 3 * 7 - 7);
  EXPECT_LT(scores.cwiseAbs().maxCoeff(), 1e-14);
}

TEST(Getpw3d, AnAffineChangeHasNoPartialWarpScores) {
  Matrix ref = referenceInPrincipalAxes(29, 8);
  Matrix shear = Matrix::Identity(3, 3);
  shear(0, 1) = 0.05;
  shear(2, 0) = -0.03;
  shear(1, 1) = 1.02;
  LandmarkArray data(ref * shear);
  Matrix scores = getpw3d(ref, data);
  EXPECT_LT(scores.leftCols(3 * 4).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_GT(scores.rightCols(5).cwiseAbs().maxCoeff(), 1e-3);

  // Scores are projections of the stacked differences: x block, y, z.
  Matrix page = data.page(0);
  Matrix d = page - ref;
  Vector stacked(24);
  stacked << d.col(0), d.col(1), d.col(2);
  EXPECT_TRUE(
      scores.row(0).transpose().isApprox(scoreBasis(lmatrix3da(ref)).transpose() * stacked));
}

// From a few hundred landmarks on the scores come from the eigenvectors
// block by block, never from the (3k)² basis: the same numbers.
TEST(Getpw3d, ManyLandmarksScoreAsTheBasisMatrixDoes) {
  const Index k = 230;
  Matrix ref = referenceInPrincipalAxes(31, k);
  std::mt19937 gen(32);
  LandmarkArray data(k, 3, 3);
  for (Index i = 0; i < 3; ++i) {
    data.page(i) = ref + 0.01 * normalised(randomShape(gen, k));
  }
  Lmatrix3D l = lmatrix3da(ref);
  Matrix scores = getpw3d(l, ref, data);
  Matrix af = scoreBasis(l);
  for (Index i = 0; i < 3; ++i) {
    Matrix d = data.page(i) - ref;
    EXPECT_TRUE(scores.row(i).transpose().isApprox(af.transpose() * d.reshaped(), 1e-12));
  }
}

TEST(Getpw3d, RejectsSpecimensOfOtherLandmarks) {
  Matrix ref = referenceInPrincipalAxes(30, 7);
  EXPECT_THAT(errorMessage([&] { getpw3d(ref, LandmarkArray(8, 3, 2)); }),
              HasSubstr("the reference has 7 landmarks in 3 axes, the specimens 8 in 3"));
}

}  // namespace
}  // namespace vexmoor
