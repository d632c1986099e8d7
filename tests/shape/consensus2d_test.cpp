#include "shape/consensus2d.h"

#include <gtest/gtest.h>

#include <cmath>

#include "io/landmark_file.h"
#include "shape/procrustes2d.h"
#include "shape/procrustes3d.h"
#include "shape2d_fixtures.h"

namespace vexmoor {
namespace {

using testing::momentsOf;
using testing::noisyGroup;
using testing::octagonRow;
using testing::similarCopy;

Matrix pooledGorillas() {
  Matrix f = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt");
  Matrix m = readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt");
  Matrix pooled(f.rows() + m.rows(), f.cols());
  pooled << f, m;
  return pooled;
}

void expectAlignedConsensus(const RowVector& ref) {
  testing::Moments m = momentsOf(ref);
  EXPECT_NEAR(m.sx, 0, 1e-12);
  EXPECT_NEAR(m.sy, 0, 1e-12);
  EXPECT_NEAR(m.ss, 1, 1e-12);
  EXPECT_NEAR(m.sxy, 0, 1e-12);
  EXPECT_EQ(ref(ref.size() - 1), 999);
}

TEST(Getconsensuspca, SimilarCopiesSettleAfterOnePassAndCoincide) {
  Matrix x(5, 17);
  for (Index i = 0; i < 5; ++i) {
    x.row(i) = similarCopy(octagonRow(), 1.0 + i, 0.9 * i - 2, 3.0 * i, -2.0 * i);
  }
  Consensus2D c = getconsensuspca(x);
  EXPECT_TRUE(c.converged);
  EXPECT_EQ(c.passes, 1);
  expectAlignedConsensus(c.reference);
  for (Index i = 0; i < 5; ++i) {
    EXPECT_LT((c.specimens.row(i).head(16) - c.reference.head(16)).norm(), 1e-12);
    EXPECT_EQ(c.specimens(i, 16), x(i, 16));
  }
}

TEST(Getconsensuspca, RealDataGiveACentredUnitConsensusOnItsPrincipalAxes) {
  Matrix x = pooledGorillas();
  Consensus2D c = getconsensuspca(x);
  EXPECT_TRUE(c.converged);
  EXPECT_GT(c.passes, 1);
  EXPECT_LT(c.passes, 100);
  expectAlignedConsensus(c.reference);
  for (Index i = 0; i < x.rows(); ++i) {
    EXPECT_EQ(c.specimens(i, 16), x(i, 16));
    EXPECT_NEAR(momentsOf(c.specimens.row(i)).ss, 1, 1e-12);
  }
}

TEST(Getconsensuspca, TheConsensusIsTheFixedPointOfItsOwnPass) {
  // Fitting the specimens onto the consensus and averaging gives it back.
  Matrix x = noisyGroup(octagonRow(), 25, 0.4, 17);
  Consensus2D c = getconsensuspca(x);
  Matrix fitted = getpsup(x, c.reference);
  RowVector mean = fitted.colwise().mean();
  RowVector coords = mean.head(16) / mean.head(16).norm();
  EXPECT_LT((coords - c.reference.head(16)).norm(), 1e-8);
  // The specimens it returns are those fits, turned with the consensus.
  EXPECT_LT((fitted.leftCols(16) - c.specimens.leftCols(16)).norm(), 1e-8);
}

TEST(Getconsensuspca, EqualSpreadWithACrossMomentGivesAValidTurn) {
  // Sum x² = sum y² and sum xy != 0: the angle's quotient is infinite.
  RowVector row(9);
  row << 2, 2, -2, -2, 1, -1, -1, 1, 7;
  Consensus2D c = getconsensuspca(row);
  expectAlignedConsensus(c.reference);
  EXPECT_TRUE(c.reference.allFinite());
}

TEST(Getconsensuspca, ACloudWithoutPreferredAxisStaysFinite) {
  // A square: sum x² = sum y², sum xy = 0, the quotient 0/0.
  RowVector row(9);
  row << 1, 1, -1, 1, -1, -1, 1, -1, 7;
  Consensus2D c = getconsensuspca(row);
  EXPECT_TRUE(c.reference.allFinite());
  EXPECT_TRUE(c.specimens.allFinite());
  expectAlignedConsensus(c.reference);
}

TEST(Getconsensuspca, ThePassLimitIsReported) {
  Matrix x = pooledGorillas();
  Consensus2D c = getconsensuspca(x, 2);
  EXPECT_FALSE(c.converged);
  EXPECT_EQ(c.passes, 2);
  // The estimate it stops at is still a usable aligned consensus.
  expectAlignedConsensus(c.reference);
}

// The superimpositions stop when asked: on many landmarks a pass is long.
TEST(Superimposition, StopsWhenCancelIsAsked) {
  struct CancelAtOnce : Progress {
    void report(std::int64_t, std::int64_t) override {}
    bool cancelRequested() const override { return true; }
  } cancel;
  EXPECT_THROW(getconsensuspca(pooledGorillas(), kMaxConsensusPasses, &cancel), Cancelled);
  LandmarkArray pages(6, 3, 3);
  for (Index i = 0; i < 3; ++i) {
    pages.page(i) = Matrix::Random(6, 3);
  }
  EXPECT_THROW(getpproc3(pages, silentHost(), &cancel), Cancelled);
}

}  // namespace
}  // namespace vexmoor
