#include "shape/procrustes2d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "shape/centroid.h"
#include "shape2d_fixtures.h"
#include "support/error_message.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using testing::momentsOf;
using testing::noisyGroup;
using testing::octagonRow;
using testing::similarCopy;

// The centred unit-size form of a row (trailing value kept).
RowVector normalised(const RowVector& row) {
  Matrix m = row;
  normaliseSpecimens(m);
  return m.row(0);
}

// Signed area of the landmark polygon: its sign tells a shape from its mirror image.
double signedArea(const RowVector& row) {
  Index k = (row.size() - 1) / 2;
  double a = 0;
  for (Index j = 0; j < k; ++j) {
    Index n = (j + 1) % k;
    a += row(2 * j) * row(2 * n + 1) - row(2 * n) * row(2 * j + 1);
  }
  return a / 2;
}

// The best rotation of a centred unit-size specimen onto a centred reference
// in complex form: the angle of sum(conj(z) * w).
RowVector bestRotationComplex(const RowVector& z, const RowVector& w) {
  Index k = (z.size() - 1) / 2;
  std::complex<double> cross = 0;
  for (Index j = 0; j < k; ++j) {
    cross += std::conj(std::complex<double>(z(2 * j), z(2 * j + 1))) *
             std::complex<double>(w(2 * j), w(2 * j + 1));
  }
  std::complex<double> turn = std::polar(1.0, std::arg(cross));
  RowVector out = z;
  for (Index j = 0; j < k; ++j) {
    std::complex<double> p = turn * std::complex<double>(z(2 * j), z(2 * j + 1));
    out(2 * j) = p.real();
    out(2 * j + 1) = p.imag();
  }
  return out;
}

TEST(Getpsup, ASimilarCopyLandsOnTheReference) {
  RowVector ref = normalised(octagonRow());
  for (double angle : {0.0, 0.7, -2.9, 3.1}) {
    Matrix x = similarCopy(octagonRow(), 3.5, angle, -20, 11);
    Matrix y = getpsup(x, ref);
    EXPECT_LT((y.row(0).head(16) - ref.head(16)).norm(), 1e-12) << "angle " << angle;
  }
}

TEST(Getpsup, SpecimensAreCentredOfUnitSizeAndKeepTheirTrailingValue) {
  Matrix x = noisyGroup(octagonRow(), 12, 0.3, 7);
  Matrix y = getpsup(x, normalised(octagonRow()));
  for (Index i = 0; i < y.rows(); ++i) {
    testing::Moments m = momentsOf(y.row(i));
    EXPECT_NEAR(m.sx, 0, 1e-12);
    EXPECT_NEAR(m.sy, 0, 1e-12);
    EXPECT_NEAR(m.ss, 1, 1e-12);
    EXPECT_EQ(y(i, 16), x(i, 16));
  }
}

TEST(Getpsup, TheRotationIsTheLeastSquaresOne) {
  RowVector ref = normalised(octagonRow());
  Matrix x = noisyGroup(octagonRow(), 20, 0.8, 11);
  Matrix y = getpsup(x, ref);
  for (Index i = 0; i < x.rows(); ++i) {
    RowVector expected = bestRotationComplex(normalised(x.row(i)), ref);
    EXPECT_LT((y.row(i) - expected).norm(), 1e-12) << "specimen " << i + 1;
  }
}

TEST(Getpsup, TheSizeOfTheReferenceDoesNotMatter) {
  RowVector ref = normalised(octagonRow());
  Matrix x = noisyGroup(octagonRow(), 6, 0.5, 3);
  EXPECT_LT((getpsup(x, ref) - getpsup(x, 2.0 * ref)).norm(), 1e-13);
}

TEST(Getpsup, AMirrorImageIsTurnedButNeverReflected) {
  RowVector ref = normalised(octagonRow());
  RowVector mirror = octagonRow();
  for (Index j = 0; j < 8; ++j) {
    mirror(2 * j) = -mirror(2 * j);
  }
  Matrix y = getpsup(mirror, ref);
  EXPECT_GT(signedArea(ref), 0);
  EXPECT_LT(signedArea(y.row(0)), 0);
  EXPECT_GT((y.row(0).head(16) - ref.head(16)).norm(), 0.1);
}

TEST(Getpsup, NoPreferredAngleMeansNoTurn) {
  // The specimen is orthogonal to the reference and to its quarter turn:
  // ct = st = 0.
  RowVector ref(9), x(9);
  ref << 1, 0, -1, 0, 0, 0, 0, 0, 0;
  x << 0, 0, 0, 0, 1, 0, -1, 0, 5;
  Matrix y = getpsup(x, ref);
  RowVector expected = normalised(x);
  EXPECT_EQ(y.row(0), expected);
}

TEST(Getpsup, ASpecimenWithoutSizeIsAnError) {
  Matrix x = noisyGroup(octagonRow(), 4, 0.1, 5);
  x.row(2).head(16).setConstant(3.0);
  EXPECT_EQ(errorMessage([&] { getpsup(x, normalised(octagonRow())); }),
            "specimen 3: all its landmarks coincide (centroid size 0), so it cannot be scaled");
}

}  // namespace
}  // namespace vexmoor
