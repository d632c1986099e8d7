#include "compare/replicate_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace vexmoor {
namespace {

std::vector<std::uint64_t> firstDraws(std::uint64_t seed, std::uint64_t replicate) {
  ReplicateStream s(seed, replicate);
  std::vector<std::uint64_t> out;
  for (int i = 0; i < 8; ++i) {
    out.push_back(s.next());
  }
  return out;
}

TEST(ReplicateStream, EachSeedAndReplicateHasItsOwnStream) {
  EXPECT_EQ(firstDraws(5, 3), firstDraws(5, 3));
  EXPECT_NE(firstDraws(5, 3), firstDraws(5, 4));
  EXPECT_NE(firstDraws(5, 3), firstDraws(6, 3));
  // Neighbouring seeds and replicates must not give shifted copies.
  EXPECT_NE(firstDraws(5, 4)[0], firstDraws(6, 3)[0]);
  EXPECT_NE(firstDraws(0, 1)[1], firstDraws(0, 0)[0]);
  EXPECT_NE(freshSeed(), freshSeed());
}

TEST(ReplicateStream, UniformNumbersFillTheOpenInterval) {
  ReplicateStream s(11, 0);
  const int n = 200000;
  double sum = 0, sumSquares = 0;
  for (int i = 0; i < n; ++i) {
    double u = s.uniform();
    ASSERT_GT(u, 0.0);
    ASSERT_LT(u, 1.0);
    sum += u;
    sumSquares += u * u;
  }
  double mean = sum / n;
  EXPECT_NEAR(mean, 0.5, 0.005);
  EXPECT_NEAR(sumSquares / n - mean * mean, 1.0 / 12, 0.002);
  for (int i = 0; i < 1000; ++i) {
    double x = s.symmetric();
    ASSERT_GT(x, -1.0);
    ASSERT_LT(x, 1.0);
  }
}

TEST(ReplicateStream, PositionsCoverEveryRowEvenly) {
  ReplicateStream s(12, 9);
  const Index m = 7;
  const int perRow = 10000;
  std::vector<int> counts(m, 0);
  for (int i = 0; i < m * perRow; ++i) {
    Index p = s.position(m);
    ASSERT_GE(p, 0);
    ASSERT_LT(p, m);
    ++counts[static_cast<size_t>(p)];
  }
  for (int c : counts) {
    EXPECT_NEAR(c, perRow, 5 * 95);  // five standard deviations
  }
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(s.position(1), 0);
  }
}

TEST(ReplicateStream, BlockDrawsContinueTheSameSequence) {
  // Mixed single and block draws must give the numbers of single draws
  // alone, whatever the block lengths (0 and 1 included).
  ReplicateStream single(21, 4), blocks(21, 4);
  std::vector<double> numbers(13);
  std::vector<Index> positions(9);
  for (Index length : {Index{0}, Index{1}, Index{13}, Index{5}}) {
    blocks.fillSymmetric(numbers.data(), length);
    for (Index i = 0; i < length; ++i) {
      ASSERT_EQ(numbers[static_cast<size_t>(i)], single.symmetric());
    }
    blocks.fillPositions(7, positions.data(), std::min<Index>(length, 9));
    for (Index i = 0; i < std::min<Index>(length, 9); ++i) {
      ASSERT_EQ(positions[static_cast<size_t>(i)], single.position(7));
    }
    ASSERT_EQ(blocks.uniform(), single.uniform());
  }
}

}  // namespace
}  // namespace vexmoor
