#include "cpc/flury_cpc.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <numeric>
#include <string>
#include <system_error>
#include <thread>
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

// Two lanes of doubles: the compiler's vector type, so that lane-wise
// products and sums round exactly as their scalar forms.
typedef double Lanes __attribute__((vector_size(16)));

Lanes load(const double* x) {
  Lanes v;
  std::memcpy(&v, x, sizeof v);
  return v;
}

void store(double* x, Lanes v) {
  std::memcpy(x, &v, sizeof v);
}

Lanes both(double x) {
  return Lanes{x, x};
}

// [x y] = [x y]·q for two columns of n entries.
void turn(double* x, double* y, Index n, const Eigen::Matrix2d& q) {
  const Lanes q00 = both(q(0, 0)), q01 = both(q(0, 1)), q10 = both(q(1, 0)), q11 = both(q(1, 1));
  Index i = 0;
  for (; i + 2 <= n; i += 2) {
    Lanes a = load(x + i);
    Lanes b = load(y + i);
    store(x + i, a * q00 + b * q10);
    store(y + i, a * q01 + b * q11);
  }
  for (; i < n; ++i) {
    double a = x[i];
    double b = y[i];
    x[i] = a * q(0, 0) + b * q(1, 0);
    y[i] = a * q(0, 1) + b * q(1, 1);
  }
}

// [M(:,l) M(:,j)] = [M(:,l) M(:,j)]·q.
void turnColumns(Matrix& m, Index l, Index j, const Eigen::Matrix2d& q) {
  turn(m.col(l).data(), m.col(j).data(), m.rows(), q);
}

}  // namespace

Eigen::Matrix2d pairBlock(const Matrix& B, const Matrix& AB, Index l, Index j) {
  const Index n = B.rows();
  const double* bl = B.col(l).data();
  const double* bj = B.col(j).data();
  const double* al = AB.col(l).data();
  const double* aj = AB.col(j).data();
  Eigen::Matrix2d t;
  if (n < 2) {
    t << bl[0] * al[0], bl[0] * aj[0], bj[0] * al[0], bj[0] * aj[0];
    return t;
  }
  // The four sums run side by side, each in the order of a vectorised dot
  // product: lanes over pairs of entries, two such accumulators taking
  // alternate pairs, then the lanes added and the odd entry last.
  Lanes s00, s01, s10, s11;
  auto start = [&](Index i, Lanes& u00, Lanes& u01, Lanes& u10, Lanes& u11) {
    Lanes xl = load(bl + i), xj = load(bj + i), yl = load(al + i), yj = load(aj + i);
    u00 = xl * yl;
    u01 = xl * yj;
    u10 = xj * yl;
    u11 = xj * yj;
  };
  auto add = [&](Index i, Lanes& u00, Lanes& u01, Lanes& u10, Lanes& u11) {
    Lanes xl = load(bl + i), xj = load(bj + i), yl = load(al + i), yj = load(aj + i);
    u00 = u00 + xl * yl;
    u01 = u01 + xl * yj;
    u10 = u10 + xj * yl;
    u11 = u11 + xj * yj;
  };
  start(0, s00, s01, s10, s11);
  const Index pairs = (n / 2) * 2;
  const Index quads = (n / 4) * 4;
  if (pairs > 2) {
    Lanes r00, r01, r10, r11;
    start(2, r00, r01, r10, r11);
    for (Index i = 4; i < quads; i += 4) {
      add(i, s00, s01, s10, s11);
      add(i + 2, r00, r01, r10, r11);
    }
    s00 = s00 + r00;
    s01 = s01 + r01;
    s10 = s10 + r10;
    s11 = s11 + r11;
    if (pairs > quads) {
      add(quads, s00, s01, s10, s11);
    }
  }
  t << s00[0] + s00[1], s01[0] + s01[1], s10[0] + s10[1], s11[0] + s11[1];
  if (pairs < n) {
    const Index i = n - 1;
    t(0, 0) = t(0, 0) + bl[i] * al[i];
    t(0, 1) = t(0, 1) + bl[i] * aj[i];
    t(1, 0) = t(1, 0) + bj[i] * al[i];
    t(1, 1) = t(1, 1) + bj[i] * aj[i];
  }
  return t;
}

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

namespace {

// From this many variables a sweep takes long enough to share the work of
// consecutive sweeps with a second thread.
constexpr Index kOverlapSize = 48;

// One sweep over all column pairs, turning B in place; returns the number
// of rotations stopped by their bound. Throws vexmoor::Error naming the
// group when a group has zero variance along a common axis.
int sweep(Matrix& B, const std::vector<Matrix>& A, const std::vector<double>& n,
          const CpcLimits& limits, const std::vector<std::string>& labels,
          const Progress* progress) {
  const size_t k = A.size();
  const Index p = B.rows();
  // A·B turns with B, so each pair's blocks cost four dot products per
  // group; the products are formed afresh every sweep to keep rounding
  // from piling up.
  std::vector<Matrix> ab(k);
  for (size_t g = 0; g < k; ++g) {
    ab[g] = A[g] * B;
  }
  std::vector<Eigen::Matrix2d> blocks(k);
  int unsettled = 0;
  for (Index j = 1; j < p; ++j) {
    throwIfCancelled(progress);
    for (Index l = 0; l < j; ++l) {
      for (size_t g = 0; g < k; ++g) {
        blocks[g] = pairBlock(B, ab[g], l, j);
      }
      PairRotation r = rotatePair(blocks, n, limits.maxRotationIterations);
      if (r.zeroVarianceGroup != 0) {
        throw Error(groupLabel(labels, r.zeroVarianceGroup) +
                    " has zero variance along one of the common axes (a combination of "
                    "variables that is the same in every specimen), so the common principal "
                    "components cannot be estimated");
      }
      unsettled += r.settled ? 0 : 1;
      turnColumns(B, l, j, r.q);
      for (Matrix& m : ab) {
        turnColumns(m, l, j, r.q);
      }
    }
  }
  return unsettled;
}

// The sweeps stop when φ repeats, so the count has no known total.
void reportSweep(Progress* progress, int sweeps, double before, double after) {
  if (!progress) {
    return;
  }
  char change[32];
  std::snprintf(change, sizeof change, "%.3g", std::abs(after - before));
  progress->describe("sweep " + std::to_string(sweeps) + ", φ changed by " + change);
  progress->report(sweeps, 0);
}

}  // namespace

CommonComponents fluryCommonComponents(const std::vector<Matrix>& A, const std::vector<double>& n,
                                       const CpcLimits& limits,
                                       const std::vector<std::string>& labels, Progress* progress) {
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
  if (p < kOverlapSize || std::thread::hardware_concurrency() < 2) {
    while (std::abs(philast - phi) > kSweepTolerance) {
      if (fit.sweeps == limits.maxSweeps) {
        fit.settled = false;
        break;
      }
      ++fit.sweeps;
      fit.unsettledRotations = sweep(B, A, n, limits, labels, progress);
      philast = phi;
      phi = fluryCriterion(B, A, n);
      reportSweep(progress, fit.sweeps, philast, phi);
    }
  } else if (fit.sweeps == limits.maxSweeps) {
    fit.settled = false;
  } else {
    // The first sweep always runs. Then the criterion of the last sweep's
    // axes is computed on a second thread while the next sweep runs on a
    // copy, which is kept only when the criterion asks for it: the same
    // sweeps as one after the other, with the criterion off the path.
    ++fit.sweeps;
    fit.unsettledRotations = sweep(B, A, n, limits, labels, progress);
    while (true) {
      double next = 0;
      std::exception_ptr criterionFailure;
      auto computeCriterion = [&] {
        try {
          next = fluryCriterion(B, A, n);
        } catch (...) {
          criterionFailure = std::current_exception();
        }
      };
      std::thread criterion;
      try {
        criterion = std::thread(computeCriterion);
      } catch (const std::system_error&) {
        computeCriterion();  // no thread to be had: the same number, here
      }
      const bool bounded = fit.sweeps == limits.maxSweeps;
      Matrix ahead;
      int aheadUnsettled = 0;
      std::exception_ptr aheadFailure;
      if (!bounded) {
        try {
          ahead = B;
          aheadUnsettled = sweep(ahead, A, n, limits, labels, progress);
        } catch (...) {
          aheadFailure = std::current_exception();
        }
      }
      if (criterion.joinable()) {
        criterion.join();
      }
      if (criterionFailure) {
        std::rethrow_exception(criterionFailure);
      }
      philast = phi;
      phi = next;
      reportSweep(progress, fit.sweeps, philast, phi);
      if (!(std::abs(philast - phi) > kSweepTolerance)) {
        break;
      }
      if (bounded) {
        fit.settled = false;
        break;
      }
      if (aheadFailure) {
        std::rethrow_exception(aheadFailure);
      }
      B = std::move(ahead);
      ++fit.sweeps;
      fit.unsettledRotations = aheadUnsettled;
    }
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
