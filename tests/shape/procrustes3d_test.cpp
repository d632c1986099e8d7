#include "shape/procrustes3d.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shape/centroid.h"
#include "shape/threed_test_support.h"
#include "support/error_message.h"
#include "support/recording_host.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using ::testing::HasSubstr;
using testing::landmarkDistances;
using testing::normalised;
using testing::randomShape;
using testing::RecordingHost;
using testing::rotation;

constexpr double kTol = 1e-12;

void expectCentredUnitSize(const Matrix& x) {
  EXPECT_LT(x.colwise().mean().norm(), kTol);
  EXPECT_NEAR(centsize3Da(x), 1.0, kTol);
}

TEST(Svdrot2, FitsRotatedAndMirroredCopies) {
  std::mt19937 gen(11);
  SCOPED_TRACE("seed 11");
  Matrix ref = normalised(randomShape(gen, 8));
  Matrix turn = rotation(0.9, {1, 2, -1});
  Matrix roto = svdrot2(ref, ref * turn.transpose());
  EXPECT_TRUE(roto.isApprox(turn, kTol));
  EXPECT_NEAR(roto.determinant(), 1.0, kTol);

  // No determinant correction: a mirror image is fitted by a reflection.
  Matrix mirror = Eigen::Vector3d(-1, 1, 1).asDiagonal();
  Matrix subject = ref * mirror * turn.transpose();
  roto = svdrot2(ref, subject);
  EXPECT_NEAR(roto.determinant(), -1.0, kTol);
  EXPECT_TRUE((subject * roto).isApprox(ref, kTol));
}

TEST(Svdrot2, NonFiniteInputGivesNaNAndMismatchIsAnError) {
  Matrix ref = Matrix::Identity(4, 3);
  Matrix bad = ref;
  bad(2, 1) = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(svdrot2(bad, ref).array().isNaN().all());
  EXPECT_THAT(errorMessage([&] { svdrot2(ref, Matrix::Identity(5, 3)); }),
              HasSubstr("the reference is 4 × 3 and the subject 5 × 3"));
}

TEST(Partialprocrustes3a, FitsSimilarCopyOntoTheReference) {
  std::mt19937 gen(12);
  SCOPED_TRACE("seed 12");
  Matrix ref = normalised(randomShape(gen, 10));
  Matrix subject = 7.5 * ref * rotation(-2.4, {0.3, -1, 0.5});
  subject.rowwise() += Eigen::RowVector3d(100, -40, 3);
  RecordingHost host;
  EXPECT_TRUE(partialprocrustes3a(ref, subject, host).isApprox(ref, kTol));
  EXPECT_EQ(host.console, "");

  // Any subject comes out centred and of unit size, whatever the reference's size.
  Matrix other = randomShape(gen, 10) * 40.0;
  expectCentredUnitSize(partialprocrustes3a(3.0 * ref, other, host));
}

TEST(Partialprocrustes3a, ReportsAFailedRotationAndGoesOn) {
  Matrix ref = Matrix::Identity(4, 3);
  ref(0, 0) = std::numeric_limits<double>::quiet_NaN();
  Matrix subject = Matrix::Identity(4, 3);
  RecordingHost host;
  Matrix fitted = partialprocrustes3a(ref, subject, host);
  EXPECT_TRUE(fitted.array().isNaN().all());
  EXPECT_THAT(host.console, HasSubstr("stemp =\n\nError in rotation\n"));
  size_t roto = host.console.find("\nroto =\n");
  size_t temp = host.console.find("\ntemp =\n");
  ASSERT_NE(roto, std::string::npos);
  ASSERT_NE(temp, std::string::npos);
  EXPECT_EQ(host.console.find("stemp ="), 0u);
  EXPECT_LT(roto, temp);
}

TEST(Partialprocrustes3a, RejectsASubjectWithoutSize) {
  Matrix ref = Matrix::Identity(4, 3);
  Matrix point = Matrix::Constant(4, 3, 2.0);
  EXPECT_THAT(errorMessage([&] { partialprocrustes3a(ref, point); }),
              HasSubstr("all landmarks of the subject coincide (centroid size 0)"));
}

TEST(Getpproc3, OneSpecimenComesBackCentredAndScaled) {
  std::mt19937 gen(13);
  Matrix x = 5.0 * randomShape(gen, 6);
  x.rowwise() += Eigen::RowVector3d(1, 2, 3);
  Procrustes3D fit = getpproc3(LandmarkArray(x));
  EXPECT_TRUE(fit.reference.isApprox(normalised(x), kTol));
  ASSERT_EQ(fit.specimens.specimens(), 1);
  EXPECT_TRUE(Matrix(fit.specimens.page(0)).isApprox(fit.reference, kTol));
}

TEST(Getpproc3, SimilarCopiesAllCoincideWithTheConsensus) {
  std::mt19937 gen(14);
  SCOPED_TRACE("seed 14");
  Matrix shape = randomShape(gen, 9);
  LandmarkArray data(9, 3, 5);
  for (Index i = 0; i < 5; ++i) {
    Matrix copy = (1.0 + i) * shape * rotation(0.7 * i, {1, -0.5 * i, 2});
    copy.rowwise() += Eigen::RowVector3d(10.0 * i, -3, 0.5 * i);
    data.page(i) = copy;
  }
  Procrustes3D fit = getpproc3(data);
  expectCentredUnitSize(fit.reference);
  for (Index i = 0; i < 5; ++i) {
    EXPECT_TRUE(Matrix(fit.specimens.page(i)).isApprox(fit.reference, 1e-10)) << "specimen " << i;
  }
}

TEST(Getpproc3, ConsensusIsTheNormalisedMeanOfTheFittedSpecimens) {
  std::mt19937 gen(15);
  SCOPED_TRACE("seed 15");
  LandmarkArray data(7, 3, 6);
  for (Index i = 0; i < 6; ++i) {
    data.page(i) = (1.0 + i) * randomShape(gen, 7);
  }
  Procrustes3D fit = getpproc3(data);
  expectCentredUnitSize(fit.reference);
  Matrix mean = Matrix::Zero(7, 3);
  for (Index i = 0; i < 6; ++i) {
    expectCentredUnitSize(fit.specimens.page(i));
    mean += fit.specimens.page(i);
  }
  EXPECT_TRUE(fit.reference.isApprox(mean / mean.norm(), kTol));
}

TEST(Getpproc3, SpecimensThatCancelOutStartFromTheFirst) {
  std::mt19937 gen(16);
  Matrix x = randomShape(gen, 6);
  LandmarkArray data(6, 3, 2);
  data.page(0) = x;
  data.page(1) = -x;  // their sum has no size
  Procrustes3D fit = getpproc3(data);
  EXPECT_TRUE(fit.reference.allFinite());
  EXPECT_TRUE(fit.reference.isApprox(normalised(x), kTol));
}

TEST(Getpproc3, NamesTheSpecimenWithoutSize) {
  LandmarkArray data(5, 3, 4);
  std::mt19937 gen(17);
  for (Index i = 0; i < 4; ++i) {
    data.page(i) = randomShape(gen, 5);
  }
  data.page(2).setConstant(4.0);
  EXPECT_EQ(errorMessage([&] { getpproc3(data); }),
            "specimen 3: all its landmarks coincide (centroid size 0), so it cannot be scaled");
}

TEST(Pcaref3d, TurnsToPrincipalAxesAndKeepsDistances) {
  std::mt19937 gen(18);
  SCOPED_TRACE("seed 18");
  Matrix ref = normalised(randomShape(gen, 12) * rotation(1.1, {1, 1, 0}));
  PrincipalAxes3D axes = pcaref3d(ref);
  EXPECT_TRUE((axes.rotation.transpose() * axes.rotation).isIdentity(kTol));
  Matrix c = axes.reference.transpose() * axes.reference;
  EXPECT_LT(std::abs(c(0, 1)) + std::abs(c(1, 2)) + std::abs(c(0, 2)), kTol);
  // Least spread first.
  EXPECT_LT(c(0, 0), c(1, 1));
  EXPECT_LT(c(1, 1), c(2, 2));

  LandmarkArray data(12, 3, 3);
  for (Index i = 0; i < 3; ++i) {
    data.page(i) = randomShape(gen, 12);
  }
  LandmarkArray turned = rotate3da(data, axes.rotation);
  for (Index i = 0; i < 3; ++i) {
    EXPECT_TRUE(landmarkDistances(turned.page(i)).isApprox(landmarkDistances(data.page(i)), kTol));
  }
  EXPECT_THAT(errorMessage([&] { rotate3da(data, Matrix::Identity(2, 2)); }),
              HasSubstr("the rotation is 2 × 2; the specimens have 3 axes"));
}

}  // namespace
}  // namespace vexmoor
