#include "cpc/flury_cpc.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "cpc/model_numerics.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

constexpr double kSweepTolerance = 1e-16;
constexpr double kRotationTolerance = 1e-8;

double fold(double theta) {
  if (theta > kHalfPi) {
    return theta - kPi;
  }
  if (theta < -kHalfPi) {
    return theta + kPi;
  }
  return theta;
}

// The directions (atan2 of the second over the first component) of the two
// eigenvectors of the symmetric 2 × 2 matrix t, smaller eigenvalue first. A
// multiple of the identity gives 0 and π/2, the columns of the identity.
std::pair<double, double> eigenvectorDirections(const Eigen::Matrix2d& t) {
  double offDiagonal = 0.5 * (t(0, 1) + t(1, 0));
  if (offDiagonal == 0.0 && t(0, 0) == t(1, 1)) {
    return {0.0, kHalfPi};
  }
  double larger = 0.5 * std::atan2(2.0 * offDiagonal, t(0, 0) - t(1, 1));
  double smaller = larger > 0 ? larger - kHalfPi : larger + kHalfPi;
  return {smaller, larger};
}

Eigen::Matrix2d rotation(double theta) {
  Eigen::Matrix2d q;
  q << std::cos(theta), -std::sin(theta), std::sin(theta), std::cos(theta);
  return q;
}

// ‖q − qp‖₂ for two rotations: their difference is a scaled rotation, whose
// singular values are both the length of its first column.
double rotationDistance(const Eigen::Matrix2d& q, const Eigen::Matrix2d& qp) {
  return std::hypot(q(0, 0) - qp(0, 0), q(1, 0) - qp(1, 0));
}

double variance(const Eigen::Matrix2d& t, const Eigen::Matrix2d& q, int column) {
  return q.col(column).dot(t * q.col(column));
}

// H'·A·H for H = [B(:,l) B(:,j)], from ab = A·B.
Eigen::Matrix2d block(const Matrix& b, const Matrix& ab, Index l, Index j) {
  Eigen::Matrix2d t;
  t << b.col(l).dot(ab.col(l)), b.col(l).dot(ab.col(j)), b.col(j).dot(ab.col(l)),
      b.col(j).dot(ab.col(j));
  return t;
}

// [M(:,l) M(:,j)] = [M(:,l) M(:,j)]·q.
void turnColumns(Matrix& m, Index l, Index j, const Eigen::Matrix2d& q) {
  for (Index i = 0; i < m.rows(); ++i) {
    double x = m(i, l);
    double y = m(i, j);
    m(i, l) = x * q(0, 0) + y * q(1, 0);
    m(i, j) = x * q(0, 1) + y * q(1, 1);
  }
}

}  // namespace

PairRotation rotatePair(const Eigen::Matrix2d& t1, const Eigen::Matrix2d& t2, double n1, double n2,
                        int maxIterations) {
  Eigen::Matrix2d q = Eigen::Matrix2d::Identity();
  Eigen::Matrix2d qp = q;
  double cscore = 1e6;
  PairRotation r;
  while (cscore > kRotationTolerance) {
    if (r.iterations == maxIterations) {
      r.settled = false;
      break;
    }
    ++r.iterations;
    double d[2][2] = {{variance(t1, q, 0), variance(t1, q, 1)},
                      {variance(t2, q, 0), variance(t2, q, 1)}};
    for (int g = 0; g < 2; ++g) {
      for (int c = 0; c < 2; ++c) {
        if (d[g][c] == 0.0) {
          r.q = q;
          r.zeroVarianceGroup = g + 1;
          r.zeroVarianceColumn = c + 1;
          return r;
        }
      }
    }
    Eigen::Matrix2d t = n1 * (d[0][0] - d[0][1]) / (d[0][0] * d[0][1]) * t1 +
                        n2 * (d[1][0] - d[1][1]) / (d[1][0] * d[1][1]) * t2;
    auto [first, second] = eigenvectorDirections(t);
    double theta = fold(first);
    double theta2 = fold(second);
    if (std::abs(theta2) < std::abs(theta)) {
      std::swap(theta, theta2);
    }
    q = rotation(theta);
    double cscoreprior = cscore;
    cscore = rotationDistance(q, qp);
    if (cscore > cscoreprior) {
      q = rotation(theta2);
      cscore = rotationDistance(q, qp);
    }
    qp = q;
  }
  r.q = q;
  return r;
}

Matrix flury_g(const Matrix& T1, const Matrix& T2, double n1, double n2) {
  assert(T1.rows() == 2 && T1.cols() == 2 && T2.rows() == 2 && T2.cols() == 2);
  PairRotation r = rotatePair(T1, T2, n1, n2);
  if (r.zeroVarianceGroup != 0) {
    throw Error("flury_g: group " + std::to_string(r.zeroVarianceGroup) +
                " has zero variance along column " + std::to_string(r.zeroVarianceColumn) +
                " of the rotation, so the rotation cannot be estimated");
  }
  return r.q;
}

double fluryCriterion(const Matrix& B, const Matrix& A1, const Matrix& A2, double n1, double n2) {
  auto term = [&B](const Matrix& a) {
    Matrix c = B.transpose() * a * B;
    return c.diagonal().array().log().sum() - logDeterminant(c);
  };
  return n1 * term(A1) + n2 * term(A2);
}

CommonComponents flury_f(const Matrix& A1, const Matrix& A2, double n1, double n2,
                         const CpcLimits& limits) {
  const Index p = A1.rows();
  if (p >= 2) {
    requireVariation(A1, A2, false, "common principal components");
  }
  CommonComponents fit;
  Matrix B = Matrix::Identity(p, p);
  double philast = 35;
  double phi = 34;
  while (std::abs(philast - phi) > kSweepTolerance) {
    if (fit.sweeps == limits.maxSweeps) {
      fit.settled = false;
      break;
    }
    ++fit.sweeps;
    fit.unsettledRotations = 0;
    // A·B turns with B, so each pair's blocks cost four dot products; the
    // products are formed afresh every sweep to keep rounding from piling up.
    Matrix ab1 = A1 * B;
    Matrix ab2 = A2 * B;
    for (Index j = 1; j < p; ++j) {
      for (Index l = 0; l < j; ++l) {
        PairRotation r = rotatePair(block(B, ab1, l, j), block(B, ab2, l, j), n1, n2,
                                    limits.maxRotationIterations);
        if (r.zeroVarianceGroup != 0) {
          throw Error("group " + std::to_string(r.zeroVarianceGroup) +
                      " has zero variance along one of the common axes (a combination of "
                      "variables that is the same in every specimen), so the common principal "
                      "components cannot be estimated");
        }
        fit.unsettledRotations += r.settled ? 0 : 1;
        for (Matrix* m : {&B, &ab1, &ab2}) {
          turnColumns(*m, l, j, r.q);
        }
      }
    }
    philast = phi;
    phi = fluryCriterion(B, A1, A2, n1, n2);
  }
  fit.phi = phi;

  // Order the axes by ascending weighted variance; equal values keep their order.
  Vector lambda1 = (B.transpose() * A1 * B).diagonal();
  Vector lambda2 = (B.transpose() * A2 * B).diagonal();
  Vector st = n1 * lambda1 + n2 * lambda2;
  std::vector<Index> ns(static_cast<size_t>(p));
  std::iota(ns.begin(), ns.end(), Index{0});
  std::stable_sort(ns.begin(), ns.end(), [&st](Index a, Index b) { return st(a) < st(b); });
  fit.B.resize(p, p);
  Vector l1(p), l2(p);
  for (Index i = 0; i < p; ++i) {
    fit.B.col(i) = B.col(ns[static_cast<size_t>(i)]);
    l1(i) = lambda1(ns[static_cast<size_t>(i)]);
    l2(i) = lambda2(ns[static_cast<size_t>(i)]);
  }
  fit.s1est = fit.B * l1.asDiagonal() * fit.B.transpose();
  fit.s2est = fit.B * l2.asDiagonal() * fit.B.transpose();
  return fit;
}

}  // namespace vexmoor
