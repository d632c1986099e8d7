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
  return rotatePair(std::vector<Eigen::Matrix2d>{t1, t2}, std::vector<double>{n1, n2},
                    maxIterations);
}

PairRotation rotatePair(const std::vector<Eigen::Matrix2d>& blocks,
                        const std::vector<double>& weights, int maxIterations) {
  assert(blocks.size() == weights.size() && !blocks.empty());
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
    Eigen::Matrix2d t;
    for (size_t g = 0; g < blocks.size(); ++g) {
      double d0 = variance(blocks[g], q, 0);
      double d1 = variance(blocks[g], q, 1);
      if (d0 == 0.0 || d1 == 0.0) {
        r.q = q;
        r.zeroVarianceGroup = static_cast<int>(g) + 1;
        r.zeroVarianceColumn = d0 == 0.0 ? 1 : 2;
        return r;
      }
      // Summed group by group in the same order as the two-group formula.
      Eigen::Matrix2d term = weights[g] * (d0 - d1) / (d0 * d1) * blocks[g];
      if (g == 0) {
        t = term;
      } else {
        t += term;
      }
    }
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

double fluryCriterion(const Matrix& B, const std::vector<Matrix>& A, const std::vector<double>& n) {
  auto term = [&B](const Matrix& a) {
    Matrix c = B.transpose() * a * B;
    return c.diagonal().array().log().sum() - logDeterminant(c);
  };
  double phi = n[0] * term(A[0]);
  for (size_t g = 1; g < A.size(); ++g) {
    phi += n[g] * term(A[g]);
  }
  return phi;
}

double fluryCriterion(const Matrix& B, const Matrix& A1, const Matrix& A2, double n1, double n2) {
  return fluryCriterion(B, std::vector<Matrix>{A1, A2}, std::vector<double>{n1, n2});
}

CommonComponents flury_f(const Matrix& A1, const Matrix& A2, double n1, double n2,
                         const CpcLimits& limits) {
  CommonComponents fit = fluryCommonComponents({A1, A2}, {n1, n2}, limits);
  fit.s1est = fit.estimates[0];
  fit.s2est = fit.estimates[1];
  return fit;
}

CommonComponents fluryCommonComponents(const std::vector<Matrix>& A, const std::vector<double>& n,
                                       const CpcLimits& limits,
                                       const std::vector<std::string>& labels) {
  assert(A.size() == n.size() && A.size() >= 2);
  const size_t k = A.size();
  const Index p = A[0].rows();
  if (p >= 2) {
    requireVariation(A, false, "common principal components", labels);
  }
  CommonComponents fit;
  Matrix B = Matrix::Identity(p, p);
  double philast = 35;
  double phi = 34;
  std::vector<Eigen::Matrix2d> blocks(k);
  while (std::abs(philast - phi) > kSweepTolerance) {
    if (fit.sweeps == limits.maxSweeps) {
      fit.settled = false;
      break;
    }
    ++fit.sweeps;
    fit.unsettledRotations = 0;
    // A·B turns with B, so each pair's blocks cost four dot products per
    // group; the products are formed afresh every sweep to keep rounding
    // from piling up.
    std::vector<Matrix> ab(k);
    for (size_t g = 0; g < k; ++g) {
      ab[g] = A[g] * B;
    }
    for (Index j = 1; j < p; ++j) {
      for (Index l = 0; l < j; ++l) {
        for (size_t g = 0; g < k; ++g) {
          blocks[g] = block(B, ab[g], l, j);
        }
        PairRotation r = rotatePair(blocks, n, limits.maxRotationIterations);
        if (r.zeroVarianceGroup != 0) {
          throw Error(groupLabel(labels, r.zeroVarianceGroup) +
                      " has zero variance along one of the common axes (a combination of "
                      "variables that is the same in every specimen), so the common principal "
                      "components cannot be estimated");
        }
        fit.unsettledRotations += r.settled ? 0 : 1;
        turnColumns(B, l, j, r.q);
        for (Matrix& m : ab) {
          turnColumns(m, l, j, r.q);
        }
      }
    }
    philast = phi;
    phi = fluryCriterion(B, A, n);
  }
  fit.phi = phi;

  // Order the axes by ascending weighted variance; equal values keep their order.
  std::vector<Vector> lambda(k);
  for (size_t g = 0; g < k; ++g) {
    lambda[g] = (B.transpose() * A[g] * B).diagonal();
  }
  Vector st = n[0] * lambda[0];
  for (size_t g = 1; g < k; ++g) {
    st += n[g] * lambda[g];
  }
  std::vector<Index> ns(static_cast<size_t>(p));
  std::iota(ns.begin(), ns.end(), Index{0});
  std::stable_sort(ns.begin(), ns.end(), [&st](Index a, Index b) { return st(a) < st(b); });
  fit.B.resize(p, p);
  for (Index i = 0; i < p; ++i) {
    fit.B.col(i) = B.col(ns[static_cast<size_t>(i)]);
  }
  for (size_t g = 0; g < k; ++g) {
    Vector l(p);
    for (Index i = 0; i < p; ++i) {
      l(i) = lambda[g](ns[static_cast<size_t>(i)]);
    }
    fit.estimates.push_back(fit.B * l.asDiagonal() * fit.B.transpose());
  }
  return fit;
}

}  // namespace vexmoor
