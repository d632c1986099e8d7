#include "compare/replicate_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "compare/analysis_input.h"
#include "compare/flury_loglike.h"
#include "compare/principal_axes.h"
#include "compare/resampling_tests.h"
#include "compare/subspace_angle.h"
#include "io/landmark_file.h"

namespace vexmoor {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

Matrix randomSample(Index m, Index p, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::normal_distribution<double> normal;
  Matrix x(m, p);
  for (Index j = 0; j < p; ++j) {
    double spread = 1.0 + j;  // distinct variances
    for (Index i = 0; i < m; ++i) {
      x(i, j) = spread * normal(random) + 10.0 * j;
    }
  }
  return x;
}

// The fast path of one replicate against the plain statistics.
void expectSameStatistics(const Matrix& x1, const Matrix& x2, int k) {
  SampleAxes a, b;
  a.sample(x1.rows(), x1.cols()) = x1;
  b.sample(x2.rows(), x2.cols()) = x2;
  a.compute(k);
  b.compute(k);
  EXPECT_LT((a.covariance() - covariance(x1)).norm(), 1e-10 * covariance(x1).norm());
  SubspacePair pair;
  PairStatistics s = pair.compare(a.axes(), b.axes());
  MezeyAngle mezey = mezeyangle(x1, x2, k);
  KrzanowskiAngle krzanowski = krzanangle(x1, x2, k);
  EXPECT_NEAR(s.angle, mezey.angle, 1e-7);
  EXPECT_NEAR(s.largestAngle, mezey.runtimeAngle, 1e-7);
  EXPECT_NEAR(s.metric, krzanowski.metric, 1e-9);
}

TEST(ReplicateStatistics, AgreeWithThePlainStatistics) {
  for (int k : {1, 2, 4}) {
    expectSameStatistics(randomSample(30, 6, 1), randomSample(25, 6, 2), k);
    expectSameStatistics(randomSample(12, 56, 3), randomSample(12, 56, 4), k);
  }
}

TEST(ReplicateStatistics, SingularSamplesAreComputedAsTheyStand) {
  // A resample may repeat a row many times, or a variable in two columns.
  Matrix x1 = randomSample(20, 5, 5);
  Matrix x2 = randomSample(20, 5, 6);
  x1.middleRows(1, 15).rowwise() = x1.row(0);
  x2.col(3) = x2.col(1);
  expectSameStatistics(x1, x2, 2);
}

// A bootstrap-like sample: rows drawn with replacement from `source`, with
// the row ids that let the sample work with its distinct rows only.
void fillBootstrap(SampleAxes& s, const Matrix& source, const std::vector<Index>& rows) {
  Matrix& x = s.sample(static_cast<Index>(rows.size()), source.cols());
  for (size_t a = 0; a < rows.size(); ++a) {
    x.row(static_cast<Index>(a)) = source.row(rows[a]);
  }
  s.setRowIds(rows, source.rows());
}

TEST(ReplicateStatistics, FewDistinctRowsGiveTheCovariancesAxes) {
  // 40 rows of which 14 distinct, on 30 variables: the axes come from the
  // distinct rows' inner products and must span the covariance's leading
  // eigenvectors.
  Matrix source = randomSample(20, 30, 9);
  std::vector<Index> rows;
  for (Index i = 0; i < 40; ++i) {
    rows.push_back((i * 3) % 14);
  }
  for (int k : {1, 3}) {
    SampleAxes s;
    fillBootstrap(s, source, rows);
    Matrix x = s.sample(40, 30);  // a copy before centring
    fillBootstrap(s, source, rows);
    s.compute(k);
    Eigen::SelfAdjointEigenSolver<Matrix> full(covariance(x));
    Matrix expected = full.eigenvectors().rightCols(k);
    EXPECT_LT((s.axes() * s.axes().transpose() - expected * expected.transpose()).norm(), 1e-9);
    EXPECT_LT((s.axes().transpose() * s.axes() - Matrix::Identity(k, k)).norm(), 1e-12);
    EXPECT_LT((s.covariance() - covariance(x)).norm(), 1e-12 * covariance(x).norm());
  }
}

TEST(ReplicateStatistics, SourceInnerProductsGiveTheSameAxes) {
  // Far from the origin, as raw landmark coordinates are: the source's own
  // centring must keep the inner products accurate.
  Matrix source = randomSample(20, 30, 11).array() + 500.0;
  Matrix gram = sourceGram(source);
  std::vector<Index> rows;
  for (Index i = 0; i < 20; ++i) {
    rows.push_back((i * 7) % 13);
  }
  for (int k : {1, 3}) {
    SampleAxes plain, fromGram;
    fillBootstrap(plain, source, rows);
    fillBootstrap(fromGram, source, rows);
    fromGram.setRowIds(rows, source.rows(), &gram);
    plain.compute(k);
    fromGram.compute(k);
    EXPECT_LT(
        (plain.axes() * plain.axes().transpose() - fromGram.axes() * fromGram.axes().transpose())
            .norm(),
        1e-9);
  }
}

TEST(ReplicateStatistics, SourceProductsGiveTheSampleAsItStands) {
  // 30 rows drawn from 25, far from the origin, on 12 variables: the
  // covariance summed from the source's products, its mean, axes and
  // Flury's statistic against another sample, and the exact covariance
  // the singular cases fall back on, all as from the sample itself.
  Matrix source = randomSample(25, 12, 21).array() + 300.0;
  Matrix gram = sourceGram(source);
  SourceProducts products = sourceProducts(source);
  std::vector<Index> rows, others;
  for (Index i = 0; i < 30; ++i) {
    rows.push_back((i * 7 + i / 5) % 25);
    others.push_back((i * 11 + 3) % 25);
  }
  SampleAxes plain, summed, other;
  fillBootstrap(plain, source, rows);
  fillBootstrap(summed, source, rows);
  summed.setRowIds(rows, source.rows(), &gram, &products);
  fillBootstrap(other, source, others);
  plain.compute(2);
  summed.compute(2);
  other.compute(2);
  const double size = plain.covariance().norm();
  EXPECT_LT((summed.covariance() - plain.covariance()).norm(), 1e-12 * size);
  EXPECT_LT((summed.mean() - plain.mean()).norm(), 1e-12 * plain.mean().norm());
  EXPECT_LT(
      (summed.axes() * summed.axes().transpose() - plain.axes() * plain.axes().transpose()).norm(),
      1e-9);
  FluryWorkspace flury;
  const double expected = flury.statistic(plain, other);
  EXPECT_NEAR(flury.statistic(summed, other), expected, 1e-9 * std::abs(expected));
  EXPECT_EQ(summed.exactCovariance(), plain.exactCovariance());
  EXPECT_EQ(summed.mean(), plain.mean());
}

TEST(ReplicateStatistics, RowsNamedBySourceAreTakenOnlyWhereNeeded) {
  // 40 variables, more than the products are kept for, and 20 rows drawn
  // from 16: the axes and mean come from the source's centred rows, and
  // the covariance, asked for afterwards, from the rows copied then.
  Matrix source = randomSample(16, 40, 31).array() + 200.0;
  Matrix gram = sourceGram(source);
  SourceProducts products = sourceProducts(source);
  EXPECT_EQ(products.products.size(), 0);
  std::vector<Index> rows;
  for (Index i = 0; i < 20; ++i) {
    rows.push_back((i * 5 + 2) % 16);
  }
  for (int k : {1, 3}) {
    SampleAxes plain, named;
    fillBootstrap(plain, source, rows);
    plain.setRowIds(rows, source.rows(), &gram);
    named.sample(20, 40);
    named.setRowsOf(source, rows, &gram, &products);
    plain.compute(k);
    named.compute(k);
    EXPECT_LT(
        (plain.axes() * plain.axes().transpose() - named.axes() * named.axes().transpose()).norm(),
        1e-9);
    EXPECT_LT((named.axes().transpose() * named.axes() - Matrix::Identity(k, k)).norm(), 1e-12);
    EXPECT_LT((named.mean() - plain.mean()).norm(), 1e-12 * plain.mean().norm());
    EXPECT_EQ(named.exactCovariance(), plain.exactCovariance());
  }
}

TEST(ReplicateStatistics, FewerDistinctRowsThanAxesStillGiveUnitAxes) {
  // Three distinct rows leave two axes of positive variance; the third is
  // any unit direction orthogonal to them, as for the covariance itself.
  Matrix source = randomSample(10, 8, 4);
  std::vector<Index> rows = {0, 1, 2, 0, 1, 2, 2, 2};
  SampleAxes s;
  fillBootstrap(s, source, rows);
  s.compute(3);
  EXPECT_TRUE(s.axes().allFinite());
  EXPECT_LT((s.axes().transpose() * s.axes() - Matrix::Identity(3, 3)).norm(), 1e-9);
}

TEST(ReplicateStatistics, IdenticalAndOrthogonalSubspaces) {
  SubspacePair pair;
  Matrix basis = Matrix::Identity(5, 5);
  PairStatistics same = pair.compare(basis.leftCols(2), basis.leftCols(2));
  EXPECT_NEAR(same.angle, 0.0, 1e-12);
  EXPECT_NEAR(same.metric, 2.0, 1e-14);
  PairStatistics orthogonal = pair.compare(basis.leftCols(2), basis.rightCols(2));
  EXPECT_NEAR(orthogonal.angle, 90.0 * std::sqrt(2.0), 1e-10);
  EXPECT_NEAR(orthogonal.metric, 0.0, 1e-14);
  // A tiny turn is resolved, where arccos of a cosine would give 0.
  const double t = 1e-9;
  Matrix turned = basis.leftCols(2);
  turned.col(0) << std::cos(t), 0, std::sin(t), 0, 0;
  PairStatistics tiny = pair.compare(basis.leftCols(2), turned);
  EXPECT_NEAR(tiny.angle, t * kDegreesPerRadian, 1e-6 * t * kDegreesPerRadian);
}

TEST(ReplicateStatistics, FluryMatchesItsDefinition) {
  for (std::uint64_t seed : {1u, 2u, 3u}) {
    Matrix x1 = randomSample(30, 4, seed);
    Matrix x2 = randomSample(18, 4, seed + 10) * 1.5;
    SampleAxes a, b;
    a.sample(30, 4) = x1;
    b.sample(18, 4) = x2;
    a.compute(2);
    b.compute(2);
    FluryWorkspace flury;
    double expected =
        fluryloglike(covariance(x1), covariance(x2), covarianceOfStacked(x1, x2), 30, 18);
    EXPECT_NEAR(flury.statistic(a, b), expected, 1e-9 * std::abs(expected));
  }
  // Fewer rows in both samples together than variables: every matrix is
  // singular, 0/0, not the rounding left of three determinants.
  SampleAxes a, b;
  a.sample(5, 12) = randomSample(5, 12, 4);
  b.sample(6, 12) = randomSample(6, 12, 5);
  a.compute(2);
  b.compute(2);
  EXPECT_TRUE(std::isnan(FluryWorkspace().statistic(a, b)));
}

TEST(ReplicateStatistics, LogDeterminantsCarrySignAndSize) {
  FluryWorkspace flury;
  Matrix a(3, 3);
  a << 0, 0, 4,  //
      2, 0, 0,   //
      0, -3, 0;
  LogDeterminant d = flury.logDeterminant(a);
  EXPECT_EQ(d.sign, static_cast<int>(std::copysign(1.0, a.determinant())));
  EXPECT_NEAR(d.logAbs, std::log(24.0), 1e-14);
  // Far below the smallest double, still exact in logarithms.
  LogDeterminant tiny = flury.logDeterminant(Matrix::Identity(400, 400) * 1e-3);
  EXPECT_EQ(tiny.sign, 1);
  EXPECT_NEAR(tiny.logAbs, 400 * std::log(1e-3), 1e-9);
  EXPECT_EQ(flury.logDeterminant(Matrix::Zero(2, 2)).sign, 0);
}

TEST(ReplicateStatistics, FluryOfSingularMatricesFollowsTheQuotients) {
  LogDeterminant one{1, 0.0}, two{1, std::log(2.0)}, zero{0, -kInf}, negative{-1, 0.0};
  // s = 2·s1, s2 = s1, p = 3, weights 1: 2 · 3 · ln 2.
  LogDeterminant eight{1, 3 * std::log(2.0)};
  EXPECT_NEAR(fluryFromLogDeterminants(one, one, eight, 1, 1), 6 * std::log(2.0), 1e-14);
  EXPECT_EQ(fluryFromLogDeterminants(one, one, one, 7, 9), 0.0);
  EXPECT_EQ(fluryFromLogDeterminants(zero, one, two, 5, 5), kInf);   // singular s1
  EXPECT_EQ(fluryFromLogDeterminants(one, one, zero, 5, 5), -kInf);  // singular s
  EXPECT_TRUE(std::isnan(fluryFromLogDeterminants(zero, zero, zero, 5, 5)));
  EXPECT_TRUE(std::isnan(fluryFromLogDeterminants(negative, one, one, 5, 5)));
  // The same values as the statistic on the determinants themselves.
  EXPECT_EQ(fluryLogLikeFromDeterminants(0.0, 1.0, 2.0, 5, 5), kInf);
  EXPECT_EQ(fluryLogLikeFromDeterminants(1.0, 1.0, 0.0, 5, 5), -kInf);
}

// Seeded texts of the bundled data as the program has always written them:
// the replicate path may get faster, never different. The macaque groups
// have fewer specimens than variables, so their Flury values come from
// singular matrices and pin down the exact arithmetic of that path too.
struct PinnedText {
  const char* set;
  bool partialWarps;
  bool threeD;
  std::string (*text)(const AnalysisInput&, const ResamplingOptions&, Host&);
  int k;
  const char* expected;
};

TEST(ReplicateStatistics, SeededTextsOfTheBundledDataStayAsTheyWere) {
  const PinnedText cases[] = {
      {"gorilla", true, false, &rangeMezeyAngleText, 2,
       "Bootstrap Test of Angle\n"
       "The observed angle was 89.02, the 97.5th percentiles over 100 bootstraps: group 1: 86.82 "
       "group 2: 87.26\n"
       "The observed Krzanowski metric was 0.89, the lower 97.5th percentiles over 100 bootstraps: "
       "group 1: 0.842 group 2: 0.858\n"
       "The maximal angle under these conditions is 127.28\n"
       "\n"
       "Random Shuffle Test of Angle\n"
       "The observed angle was 89.02,\n"
       " the 97.5th percentiles over 100 randomizations: 71.15 to 117.94\n"
       "\n"
       "The maximal angle under these conditions is 118.60\n"
       "The Log-likelihood ratio test of Matrices (Flury)\n"
       "The observed Krzanowski metric was 0.894,\n"
       " the 97.5th percentiles over 100 randomizations: 0.035 to 0.821\n"
       "Observed Chi^2 = 198.5677\n"
       "95 percent upper bound on Group1 Chi^2=214.1946\n"
       "95 percent upper bound on Group2 Chi^2=234.8680\n"
       "95 percent lower bound on Random Chi^2=72.6727\n"
       "The maximal Krzanowski metric under these conditions is 0.834"},
      {"gorilla", false, false, &permuteMezeyAngleText, 1,
       "Random Shuffle Test of Angle\n"
       "The observed angle was 15.93,\n"
       " the 95th percentiles over 100 randomizations: 59.18 to 89.68\n"
       "The observed Krzanowski metric was 0.925,\n"
       " the 95th percentiles over 100 randomizations: 0.000 to 0.254\n"
       "The maximal angle under these conditions is 90.00"},
      // Resampled from 9 specimens, many replicates have fewer independent
      // rows than 4 components need: their axes come from rounding noise,
      // which the fixed eigenvector signs of the common frame pin down.
      {"macaque", false, true, &bootMezeyAngleText, 4,
       "Bootstrap Test of Angle\n"
       "The observed angle was 128.95,\n"
       " the upper 95th percentiles over 100 bootstraps:\n"
       " group 1: 119.02 group 2: 121.15\n"
       "The observed Krzanowski metric was 1.23,\n"
       " the lower 95th percentiles over 100 bootstraps:\n"
       " group 1: 1.58 group 2: 1.50"},
      {"macaque", true, true, &rangeMezeyAngleText, 4,
       "Bootstrap Test of Angle\n"
       "The observed angle was 128.95, the 97.5th percentiles over 100 bootstraps: group 1: 119.92 "
       "group 2: 122.94\n"
       "The observed Krzanowski metric was 1.23, the lower 97.5th percentiles over 100 bootstraps: "
       "group 1: 1.292 group 2: 1.497\n"
       "The maximal angle under these conditions is 180.00\n"
       "\n"
       "Random Shuffle Test of Angle\n"
       "The observed angle was 128.95,\n"
       " the 97.5th percentiles over 100 randomizations: 89.76 to 141.87\n"
       "\n"
       "The maximal angle under these conditions is 142.52\n"
       "The Log-likelihood ratio test of Matrices (Flury)\n"
       "The observed Krzanowski metric was 1.226,\n"
       " the 97.5th percentiles over 100 randomizations: 0.678 to 1.879\n"
       "Observed Chi^2 = 3122.6305\n"
       "95 percent upper bound on Group1 Chi^2= NaN\n"
       "95 percent upper bound on Group2 Chi^2= NaN\n"
       "95 percent lower bound on Random Chi^2=3174.7138\n"
       "The maximal Krzanowski metric under these conditions is 2.127"},
  };
  for (const PinnedText& c : cases) {
    std::string folder = std::string(VEXMOOR_EXAMPLES "/") + c.set;
    std::string prefix = std::string(c.set).substr(0, 3);
    Matrix g1 = readLandmarkFile(folder + "/" + prefix + "f.txt");
    Matrix g2 = readLandmarkFile(folder + "/" + prefix + "m.txt");
    AnalysisSettings settings;
    settings.threeD = c.threeD;
    settings.partialWarps = c.partialWarps;
    settings.componentsText = std::to_string(c.k);
    AnalysisInput in = prepareAnalysis(&g1, &g2, settings, ConsensusRounding::kNone,
                                       ComponentsText::kRead, silentHost());
    for (int threads : {1, 2}) {
      EXPECT_EQ(c.text(in, {1, std::uint64_t{7}, nullptr, threads}, silentHost()), c.expected)
          << c.set << " k = " << c.k << ", " << threads << " threads";
    }
  }
}

}  // namespace
}  // namespace vexmoor
