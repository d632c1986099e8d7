#include "cpc/partial_cpc.h"

#include <gtest/gtest.h>

#include "cpc/flury_cpc.h"
#include "cpc/model_numerics.h"
#include "cpc_test_support.h"

namespace vexmoor {
namespace {

using testing::orthogonalityError;
using testing::randomOrthogonal;
using testing::RecordingHost;
using testing::sampleCovariance;
using testing::vec;

struct Samples {
  Matrix s1, s2;
  CommonComponents cpc;
};

Samples samples() {
  Matrix q = randomOrthogonal(5, 31);
  Matrix sigma1 = q * vec({4, 2, 1, 0.5, 0.3}).asDiagonal() * q.transpose();
  Matrix sigma2 = q * vec({1, 3, 2, 0.4, 0.9}).asDiagonal() * q.transpose();
  Samples s{sampleCovariance(sigma1, 30, 32), sampleCovariance(sigma2, 26, 33), {}};
  s.cpc = flury_f(s.s1, s.s2, 30, 26);
  return s;
}

TEST(FluryPcp, SharesTheLeadingAxesAndDiagonalisesEachGroupInItsOwn) {
  Samples s = samples();
  for (Index q = 0; q <= 5; ++q) {
    SCOPED_TRACE(q);
    PartialCommonComponents m = flury_pcp(s.s1, s.s2, s.cpc.B, q);
    EXPECT_EQ(m.Bg1.leftCols(q), s.cpc.B.leftCols(q));
    EXPECT_EQ(m.Bg2.leftCols(q), s.cpc.B.leftCols(q));
    EXPECT_LT(orthogonalityError(m.Bg1), 1e-12);
    EXPECT_LT(orthogonalityError(m.Bg2), 1e-12);
    EXPECT_TRUE((m.Bg1.transpose() * m.s1est * m.Bg1).isApprox(Matrix(m.L1est.asDiagonal())));
    EXPECT_TRUE((m.Bg2.transpose() * m.s2est * m.Bg2).isApprox(Matrix(m.L2est.asDiagonal())));
    // Fewer shared axes fit better, and no estimate beats the group's own matrix.
    if (q > 0) {
      PartialCommonComponents looser = flury_pcp(s.s1, s.s2, s.cpc.B, q - 1);
      EXPECT_LE(logDeterminant(looser.s1est), logDeterminant(m.s1est) + 1e-12);
    }
    EXPECT_GE(logDeterminant(m.s1est), logDeterminant(s.s1) - 1e-12);
  }
  // No shared axis: the group's own matrix; all shared: the common model.
  EXPECT_TRUE(flury_pcp(s.s1, s.s2, s.cpc.B, 0).s1est.isApprox(s.s1, 1e-12));
  EXPECT_TRUE(flury_pcp(s.s1, s.s2, s.cpc.B, 5).s2est.isApprox(s.cpc.s2est, 1e-12));
}

TEST(FluryPcp, WritesL1estThenL2estToTheConsole) {
  Samples s = samples();
  RecordingHost host;
  flury_pcp(s.s1, s.s2, s.cpc.B, 2, host);
  size_t first = host.console.find("L1est =");
  size_t second = host.console.find("L2est =");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_EQ(host.waits, 0);
}

}  // namespace
}  // namespace vexmoor
