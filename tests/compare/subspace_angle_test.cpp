#include "compare/subspace_angle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "compare/principal_axes.h"
#include "runtime/display.h"
#include "support/error_message.h"
#include "support/recording_host.h"

namespace vexmoor {
namespace {

using testing::errorMessage;
using testing::RecordingHost;

constexpr double kDeg = 180.0 / kPi;

// --- independent computations ----------------------------------------------

// Covariance by explicit sums, divisor n - 1.
Matrix covarianceBySums(const Matrix& x) {
  Index n = x.rows(), p = x.cols();
  Matrix c(p, p);
  for (Index a = 0; a < p; ++a) {
    for (Index b = 0; b < p; ++b) {
      double ma = x.col(a).sum() / n, mb = x.col(b).sum() / n, s = 0;
      for (Index i = 0; i < n; ++i) {
        s += (x(i, a) - ma) * (x(i, b) - mb);
      }
      c(a, b) = s / (n - 1);
    }
  }
  return c;
}

// Eigenvectors by decreasing eigenvalue: the ascending solver's columns reversed.
Matrix axesOf(const Matrix& x) {
  Eigen::SelfAdjointEigenSolver<Matrix> eig(covarianceBySums(x));
  Matrix v = eig.eigenvectors();
  Matrix r(v.rows(), v.cols());
  for (Index i = 0; i < v.cols(); ++i) {
    r.col(v.cols() - 1 - i) = v.col(i);
  }
  return r;
}

// The projector-difference definition: sqrt of the summed squared asin of the
// positive eigenvalues of V1 P inv(V1) - V2 P inv(V2), in degrees.
double literalAngle(const Matrix& v1, const Matrix& v2, Index k) {
  Index p = v1.rows();
  Matrix P = Matrix::Zero(p, p);
  P.topLeftCorner(k, k).setIdentity();
  Matrix j = v1 * P * v1.inverse() - v2 * P * v2.inverse();
  Eigen::EigenSolver<Matrix> eig(j);
  double sq = 0;
  for (Index i = 0; i < p; ++i) {
    double d = eig.eigenvalues()(i).real();
    if (d > 0) {
      sq += std::pow(std::asin(std::min(d, 1.0)), 2);
    }
  }
  return std::sqrt(sq) * kDeg;
}

// Summed eigenvalues of Lv Mvᵀ Mv Lvᵀ.
double literalMetric(const Matrix& v1, const Matrix& v2, Index k) {
  Matrix lv = v1.leftCols(k).transpose(), mv = v2.leftCols(k).transpose();
  Matrix c = lv * mv.transpose() * mv * lv.transpose();
  return Eigen::SelfAdjointEigenSolver<Matrix>(c).eigenvalues().sum();
}

// Principal angles (ascending) from the singular values of B1ᵀB2 alone.
std::vector<double> anglesFromCosines(const Matrix& b1, const Matrix& b2) {
  Vector s = Eigen::BDCSVD<Matrix>(b1.transpose() * b2).singularValues();
  std::vector<double> a;
  for (Index i = 0; i < s.size(); ++i) {
    a.push_back(std::acos(std::min(s(i), 1.0)));
  }
  std::sort(a.begin(), a.end());
  return a;
}

// Random data of n rows with column spreads 1 ... p in a random order, so
// that the covariance has well separated eigenvalues.
Matrix randomSample(std::mt19937& gen, Index n, Index p) {
  std::normal_distribution<double> normal;
  std::vector<double> spread(static_cast<size_t>(p));
  for (Index j = 0; j < p; ++j) {
    spread[static_cast<size_t>(j)] = 1.0 + 1.5 * static_cast<double>(j);
  }
  std::shuffle(spread.begin(), spread.end(), gen);
  Matrix x(n, p);
  for (Index i = 0; i < n; ++i) {
    for (Index j = 0; j < p; ++j) {
      x(i, j) = spread[static_cast<size_t>(j)] * normal(gen) + 3.0;
    }
  }
  return x;
}

// Data whose covariance is exactly diag(2 s²/(2p - 1)): rows ±s_j e_j.
Matrix exactSpreads(const std::vector<double>& s) {
  Index p = static_cast<Index>(s.size());
  Matrix x = Matrix::Zero(2 * p, p);
  for (Index j = 0; j < p; ++j) {
    x(2 * j, j) = s[static_cast<size_t>(j)];
    x(2 * j + 1, j) = -s[static_cast<size_t>(j)];
  }
  return x;
}

// --- tests ------------------------------------------------------------------

TEST(PrincipalAngles, AgreeWithCosinesAndSinesComputedSeparately) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 gen(seed);
    Index p = 2 + static_cast<Index>(seed % 11);
    Index k = 1 + static_cast<Index>(seed % static_cast<unsigned>(p));
    Matrix b1 = Eigen::HouseholderQR<Matrix>(randomSample(gen, p, p)).householderQ();
    Matrix b2 = Eigen::HouseholderQR<Matrix>(randomSample(gen, p, p)).householderQ();
    b1 = b1.leftCols(k).eval();
    b2 = b2.leftCols(k).eval();
    Vector angles = principalAngles(b1, b2);
    std::vector<double> fromCos = anglesFromCosines(b1, b2);
    Vector sines = Eigen::BDCSVD<Matrix>(b2 - b1 * (b1.transpose() * b2)).singularValues();
    ASSERT_EQ(angles.size(), k) << "seed " << seed;
    for (Index i = 0; i < k; ++i) {
      double a = angles(i);
      if (i > 0) {
        EXPECT_GE(a, angles(i - 1)) << "seed " << seed;
      }
      // Each side is accurate where its function is well conditioned.
      if (a > 0.02) {
        EXPECT_NEAR(a, fromCos[static_cast<size_t>(i)], 1e-10) << "seed " << seed << " i " << i;
      }
      if (a < 1.4) {
        EXPECT_NEAR(std::sin(a), sines(k - 1 - i), 1e-10) << "seed " << seed << " i " << i;
      }
    }
  }
}

TEST(PrincipalAngles, TinyAnglesStayAccurate) {
  // Cosines alone would lose these angles to rounding (acos near 1).
  Matrix b1 = Matrix::Zero(4, 2), b2 = Matrix::Zero(4, 2);
  b1(0, 0) = b1(1, 1) = 1;
  double t1 = 1e-9, t2 = 3e-7;
  b2(0, 0) = std::cos(t1);
  b2(2, 0) = std::sin(t1);
  b2(1, 1) = std::cos(t2);
  b2(3, 1) = std::sin(t2);
  Vector a = principalAngles(b1, b2);
  EXPECT_NEAR(a(0), t1, 1e-20);
  EXPECT_NEAR(a(1), t2, 1e-20);
}

TEST(SubspaceStatistics, AgreeWithTheLiteralDefinitions) {
  for (unsigned seed = 100; seed < 130; ++seed) {
    std::mt19937 gen(seed);
    Index p = 3 + static_cast<Index>(seed % 10);
    Matrix x1 = randomSample(gen, p + 8, p);
    Matrix x2 = randomSample(gen, p + 15, p);
    Matrix v1 = axesOf(x1), v2 = axesOf(x2);
    for (Index k = 1; k <= std::min<Index>(p, 4); ++k) {
      MezeyAngle m = mezeyangle(x1, x2, static_cast<int>(k));
      KrzanowskiAngle z = krzanangle(x1, x2, static_cast<int>(k));
      std::vector<double> angles = anglesFromCosines(v1.leftCols(k), v2.leftCols(k));
      // asin near 90 degrees amplifies rounding: a looser bound there.
      double tol = m.runtimeAngle < 80 ? 1e-10 : 1e-5;
      EXPECT_NEAR(m.angle, literalAngle(v1, v2, k), tol) << "seed " << seed << " k " << k;
      EXPECT_NEAR(z.metric, literalMetric(v1, v2, k), 1e-12) << "seed " << seed << " k " << k;
      if (m.runtimeAngle > 1) {
        EXPECT_NEAR(m.runtimeAngle, angles.back() * kDeg, 1e-10) << "seed " << seed;
      }
      EXPECT_NEAR(z.angle * kDeg, m.angle, 1e-10);
      EXPECT_EQ(z.runtimeAngle, m.runtimeAngle);
    }
  }
}

TEST(SubspaceStatistics, IdenticalSamplesGiveZeroAnglesAndAFullMetric) {
  std::mt19937 gen(7);
  Matrix x = randomSample(gen, 30, 6);
  for (int k = 1; k <= 6; ++k) {
    MezeyAngle m = mezeyangle(x, x, k);
    KrzanowskiAngle z = krzanangle(x, x, k);
    EXPECT_NEAR(m.angle, 0, 1e-6);
    EXPECT_NEAR(m.runtimeAngle, 0, 1e-6);
    EXPECT_NEAR(z.metric, k, 1e-12);
  }
}

TEST(SubspaceStatistics, TheLargestPossibleAngle) {
  std::mt19937 gen(8);
  Matrix x4 = randomSample(gen, 20, 4), y4 = randomSample(gen, 20, 4);
  EXPECT_NEAR(mezeyangle(x4, y4, 2).maxAngle, 90 * std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(mezeyangle(x4, y4, 2).maxAngle, 127.28, 0.005);
  EXPECT_EQ(mezeyangle(x4, y4, 4).maxAngle, 0);
  EXPECT_EQ(mezeyangle(x4, y4, 1).maxAngle, 90);
  Matrix x3 = randomSample(gen, 20, 3), y3 = randomSample(gen, 20, 3);
  EXPECT_EQ(mezeyangle(x3, y3, 2).maxAngle, 90);
  Matrix x9 = randomSample(gen, 20, 9), y9 = randomSample(gen, 20, 9);
  EXPECT_NEAR(mezeyangle(x9, y9, 3).maxAngle, 90 * std::sqrt(3.0), 1e-12);
  EXPECT_NEAR(mezeyangle(x9, y9, 7).maxAngle, 90 * std::sqrt(2.0), 1e-12);
}

TEST(SubspaceStatistics, OrthogonalLeadingAxes) {
  Matrix x1 = exactSpreads({5, 4, 1, 0.5});
  Matrix x2 = exactSpreads({1, 0.5, 5, 4});
  MezeyAngle m = mezeyangle(x1, x2, 2);
  KrzanowskiAngle z = krzanangle(x1, x2, 2);
  EXPECT_NEAR(z.metric, 0, 1e-15);
  EXPECT_NEAR(m.angle, 90 * std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(m.runtimeAngle, 90, 1e-12);
  EXPECT_NEAR(literalAngle(axesOf(x1), axesOf(x2), 2), m.angle, 1e-10);
}

TEST(SubspaceStatistics, OneComponentIsOneAngle) {
  std::mt19937 gen(9);
  Matrix x1 = randomSample(gen, 25, 5), x2 = randomSample(gen, 40, 5);
  MezeyAngle m = mezeyangle(x1, x2, 1);
  KrzanowskiAngle z = krzanangle(x1, x2, 1);
  EXPECT_NEAR(m.angle, m.runtimeAngle, 1e-12);
  EXPECT_NEAR(z.metric, std::pow(std::cos(m.angle / kDeg), 2), 1e-12);
}

TEST(SubspaceStatistics, RowOrderAndColumnShiftsChangeNothing) {
  std::mt19937 gen(10);
  Matrix x1 = randomSample(gen, 25, 6), x2 = randomSample(gen, 30, 6);
  Matrix reversed = x1.colwise().reverse();
  Matrix shifted = x2;
  shifted.col(2).array() += 1000.0;
  for (int k = 1; k <= 3; ++k) {
    MezeyAngle a = mezeyangle(x1, x2, k), b = mezeyangle(reversed, shifted, k);
    EXPECT_NEAR(a.angle, b.angle, 1e-9);
    EXPECT_NEAR(a.runtimeAngle, b.runtimeAngle, 1e-9);
    EXPECT_NEAR(krzanangle(x1, x2, k).metric, krzanangle(reversed, shifted, k).metric, 1e-11);
  }
}

TEST(SubspaceStatistics, UnequalVariablesShowTheMessageThenStop) {
  std::mt19937 gen(11);
  Matrix x1 = randomSample(gen, 20, 4), x2 = randomSample(gen, 20, 5);
  RecordingHost host;
  std::string message = errorMessage([&] { mezeyangle(x1, x2, 2, host); });
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0], "Unequal numbers of variables in data input to mezeyangle");
  EXPECT_EQ(message, "unequal numbers of variables: group 1 has 4, group 2 has 5");
  errorMessage([&] { krzanangle(x1, x2, 2, host); });
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(host.boxes[1], "Unequal numbers of variables in data input to mezeyangle");
}

TEST(SubspaceStatistics, ComponentsOutsideOneToPAreErrors) {
  std::mt19937 gen(12);
  Matrix x = randomSample(gen, 20, 4);
  for (int k : {0, -1, 5}) {
    EXPECT_EQ(errorMessage([&] { mezeyangle(x, x, k); }),
              "the number of components must be a whole number from 1 to 4 (the number of shape "
              "variables); it is " +
                  std::to_string(k));
  }
  EXPECT_EQ(errorMessage([&] { krzanangle(Matrix(x.topRows(1)), x, 1); }),
            "a covariance needs at least 2 specimens; there are 1");
}

TEST(SubspaceStatistics, MezeyangleWritesItsTwoConsoleLines) {
  Matrix x1 = exactSpreads({5, 4, 1, 0.5});
  Matrix x2 = exactSpreads({1, 0.5, 5, 4});
  RecordingHost host;
  mezeyangle(x1, x2, 2, host);
  EXPECT_EQ(host.console, displayText("ans", -90.0) + displayText("y3", 90.0));
  RecordingHost quiet;
  krzanangle(x1, x2, 2, quiet);
  EXPECT_EQ(quiet.console, "");
}

TEST(PrincipalAxes, LeadingAxisFirst) {
  Matrix c = Vector((Vector(3) << 1, 9, 4).finished()).asDiagonal();
  PrincipalAxes a = principalAxes(c);
  EXPECT_EQ(a.variances, (Vector(3) << 9, 4, 1).finished());
  EXPECT_NEAR(std::abs(a.axes(1, 0)), 1, 1e-15);
  EXPECT_NEAR(std::abs(a.axes(2, 1)), 1, 1e-15);
  EXPECT_NEAR(std::abs(a.axes(0, 2)), 1, 1e-15);
}

TEST(PrincipalAxes, CovarianceUsesNMinusOne) {
  Matrix x(3, 2);
  x << 1, 2, 2, 4, 3, 9;
  Matrix c = covariance(x);
  EXPECT_NEAR(c(0, 0), 1.0, 1e-15);
  EXPECT_LT((c - covarianceBySums(x)).norm(), 1e-14);
  Matrix a = x.topRows(2), b = x.bottomRows(1);
  EXPECT_LT((covarianceOfStacked(a, b) - c).norm(), 1e-15);
}

}  // namespace
}  // namespace vexmoor

namespace vexmoor {
namespace {

// From kStepwiseSize variables on, the leading axes come from the inner
// products of few specimens, or in steps from many: the same subspaces as
// a whole decomposition of the covariance.
TEST(LeadingPrincipalAxes, ManyVariablesGiveTheAxesOfTheCovariance) {
  std::mt19937 random(11);
  std::normal_distribution<double> normal;
  for (Index m : {Index{25}, Index{400}}) {
    const Index p = 260;
    Matrix x(m, p);
    for (Index i = 0; i < x.size(); ++i) {
      x.data()[i] = normal(random);
    }
    // Three clear directions.
    for (Index i = 0; i < m; ++i) {
      x.row(i).head(3) *= 8.0 - static_cast<double>(i % 3);
      x(i, 0) += 20 * normal(random);
      x(i, 1) += 12 * normal(random);
      x(i, 2) += 6 * normal(random);
    }
    Matrix whole = principalAxes(covarianceBySums(x)).axes.leftCols(3);
    Matrix steps = leadingPrincipalAxes(x, 3);
    EXPECT_LT(principalAngles(whole, steps).maxCoeff(), 1e-8) << m;
    EXPECT_LT((steps.transpose() * steps - Matrix::Identity(3, 3)).cwiseAbs().maxCoeff(), 1e-12);
  }
}

}  // namespace
}  // namespace vexmoor
