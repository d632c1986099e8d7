#include "compare/leading_axes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "compare/double_pair.h"
#include "runtime/lapack.h"

namespace vexmoor {

static_assert(sizeof(lapack_int) == sizeof(int), "the workspace assumes 32-bit LAPACK integers");

namespace {

// The relative gap below which a leading eigenvalue counts as repeated.
// Inverse iteration's axes err by about ε|A| / gap: 1e-11 radians here.
constexpr double kSeparation = 1e-5;
// Pivots above this share of their diagonal element leave a determinant
// as accurate as the data.
constexpr double kDefinitePivot = 1e-3;
// Laguerre's iteration takes a handful of steps; bisection, where it has
// to stand in, fewer than this from the Gershgorin bounds to rounding.
constexpr int kLaguerreSteps = 80;

bool lowerTriangleFinite(const Eigen::Ref<const Matrix>& a) {
  for (Index j = 0; j < a.cols(); ++j) {
    for (Index i = j; i < a.rows(); ++i) {
      if (!std::isfinite(a(i, j))) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

void LeadingAxesSolver::reserve(int n, int k) {
  if (n <= m_capacity && k == m_k) {
    return;
  }
  const int c = std::max(n, m_capacity);
  m_capacity = c;
  m_k = k;
  m_work.resize(c, c);
  m_ascending.resize(c, k);
  m_axes.resize(c, k);
  m_values.resize(c);
  m_variances.resize(k);
  m_support.assign(2 * static_cast<size_t>(c), 0);
  for (auto* v : {&m_diagonal, &m_offDiagonal, &m_scratch, &m_tau, &m_u0, &m_u1, &m_u2,
                  &m_multiplier, &m_x, &m_v}) {
    v->assign(static_cast<size_t>(c), 0.0);
  }
  m_swapped.assign(static_cast<size_t>(c), 0);
  m_estimate.assign(static_cast<size_t>(k), 0.0);
  // A fixed start with no special direction: the same axes on every run.
  m_start.resize(static_cast<size_t>(c));
  for (int i = 0; i < c; ++i) {
    m_start[static_cast<size_t>(i)] = 1.0 + 0.5 * std::sin(1.0 + 2.0 * i);
  }
  // LAPACK's workspace for the largest size also serves every smaller one.
  double workSize = 0;
  lapack_int iworkSize = 0;
  lapack_int found = 0;
  m_work.setIdentity();
  lapackDsyevr('V', 'I', 'L', c, m_work.data(), c, 0.0, 0.0, c - k + 1, c, 0.0, &found,
               m_values.data(), m_ascending.data(), c, m_support.data(), &workSize, -1, &iworkSize,
               -1);
  m_lapackWork.assign(static_cast<size_t>(workSize) + 1, 0.0);
  m_lapackIwork.assign(static_cast<size_t>(iworkSize) + 1, 0);
}

void LeadingAxesSolver::computeFully(Eigen::Ref<const Matrix> symmetric) {
  Matrix full = symmetric;
  full.triangularView<Eigen::StrictlyUpper>() = full.transpose();
  Eigen::SelfAdjointEigenSolver<Matrix> eig(full);
  for (int j = 0; j < m_k; ++j) {
    m_axes.col(j).head(m_n) = eig.eigenvectors().col(m_n - 1 - j);
    m_variances(j) = eig.eigenvalues()(m_n - 1 - j);
  }
}

void LeadingAxesSolver::computeByLapack(Eigen::Ref<const Matrix> symmetric, int k) {
  const int n = static_cast<int>(symmetric.rows());
  const int c = m_capacity;
  m_work.topLeftCorner(n, n) = symmetric;
  lapack_int found = 0;
  // Eigenvalues n - k + 1 ... n in ascending order are the k largest.
  // Tolerance 0: LAPACK's default, ulp · |T|, the absolute accuracy that
  // the leading axes need.
  lapack_int info =
      lapackDsyevr('V', 'I', 'L', n, m_work.data(), c, 0.0, 0.0, n - k + 1, n, 0.0, &found,
                   m_values.data(), m_ascending.data(), c, m_support.data(), m_lapackWork.data(),
                   static_cast<lapack_int>(m_lapackWork.size()), m_lapackIwork.data(),
                   static_cast<lapack_int>(m_lapackIwork.size()));
  if (info != 0 || found != k) {
    computeFully(symmetric);
    return;
  }
  for (int j = 0; j < k; ++j) {
    m_axes.col(j).head(n) = m_ascending.col(k - 1 - j).head(n);
    m_variances(j) = m_values(k - 1 - j);
  }
}

void LeadingAxesSolver::tridiagonalize(int n) {
  const Index c = m_capacity;
  double* const a = m_work.data();
  double* p = m_x.data();
  double* v = m_v.data();
  // The trailing block is kept whole, both triangles: its product with v
  // and its rank-2 update then run down whole columns, element by element.
  for (int j = 0; j + 2 < n; ++j) {
    double* column = a + j * c;
    m_diagonal[j] = column[j];
    // The reflector H = I - tau v vᵀ, v = (1, v2, ...), that takes column j
    // below the diagonal to (beta, 0, ...); v2 ... is kept in its place.
    const double alpha = column[j + 1];
    double tail = 0;
    for (int i = j + 2; i < n; ++i) {
      tail += column[i] * column[i];
    }
    if (tail == 0) {
      m_tau[j] = 0;
      m_offDiagonal[j] = alpha;
      continue;
    }
    const double beta = -std::copysign(std::sqrt(alpha * alpha + tail), alpha);
    const double tau = (beta - alpha) / beta;
    const double scale = 1.0 / (alpha - beta);
    const int first = j + 1;
    v[first] = 1.0;
    for (int i = j + 2; i < n; ++i) {
      column[i] *= scale;
      v[i] = column[i];
    }
    m_tau[j] = tau;
    m_offDiagonal[j] = beta;
    // The trailing block becomes H A H = A - v wᵀ - w vᵀ with p = tau A v
    // and w = p - (tau / 2)(pᵀv) v.
    for (int i = first; i < n; ++i) {
      p[i] = 0;
    }
    int l = first;
    for (; l + 1 < n; l += 2) {
      const double* c0 = a + l * c;
      const double* c1 = c0 + c;
      const double v0 = v[l], v1 = v[l + 1];
      const Pair s0 = {v0, v0}, s1 = {v1, v1};
      int i = first;
      for (; i + 1 < n; i += 2) {
        storePair(p + i, loadPair(p + i) + loadPair(c0 + i) * s0 + loadPair(c1 + i) * s1);
      }
      if (i < n) {
        p[i] += c0[i] * v0 + c1[i] * v1;
      }
    }
    if (l < n) {
      const double* c0 = a + l * c;
      for (int i = first; i < n; ++i) {
        p[i] += c0[i] * v[l];
      }
    }
    double pv = 0;
    for (int i = first; i < n; ++i) {
      p[i] *= tau;
      pv += p[i] * v[i];
    }
    const double gamma = 0.5 * tau * pv;
    for (int i = first; i < n; ++i) {
      p[i] -= gamma * v[i];
    }
    // Both triangles get the same products, so the block stays symmetric
    // to the last bit.
    for (l = first; l + 1 < n; l += 2) {
      double* c0 = a + l * c;
      double* c1 = c0 + c;
      const Pair w0 = {p[l], p[l]}, u0 = {v[l], v[l]};
      const Pair w1 = {p[l + 1], p[l + 1]}, u1 = {v[l + 1], v[l + 1]};
      int i = first;
      for (; i + 1 < n; i += 2) {
        const Pair vi = loadPair(v + i), pi = loadPair(p + i);
        storePair(c0 + i, loadPair(c0 + i) - (vi * w0 + pi * u0));
        storePair(c1 + i, loadPair(c1 + i) - (vi * w1 + pi * u1));
      }
      if (i < n) {
        c0[i] -= v[i] * p[l] + p[i] * v[l];
        c1[i] -= v[i] * p[l + 1] + p[i] * v[l + 1];
      }
    }
    if (l < n) {
      double* c0 = a + l * c;
      for (int i = first; i < n; ++i) {
        c0[i] -= v[i] * p[l] + p[i] * v[l];
      }
    }
  }
  if (n >= 2) {
    m_diagonal[n - 2] = a[(n - 2) + (n - 2) * c];
    m_offDiagonal[n - 2] = a[(n - 1) + (n - 2) * c];
  }
  m_diagonal[n - 1] = a[(n - 1) + (n - 1) * c];
}

void LeadingAxesSolver::applyReflectors(int n, double* z) const {
  const Index c = m_capacity;
  const double* a = m_work.data();
  for (int j = n - 3; j >= 0; --j) {
    const double tau = m_tau[j];
    if (tau == 0) {
      continue;
    }
    double s = z[j + 1];
    for (int i = j + 2; i < n; ++i) {
      s += a[i + j * c] * z[i];
    }
    s *= tau;
    z[j + 1] -= s;
    for (int i = j + 2; i < n; ++i) {
      z[i] -= s * a[i + j * c];
    }
  }
}

void LeadingAxesSolver::factorShifted(int n, double lambda, double tiny) {
  const double* d = m_diagonal.data();
  const double* e = m_offDiagonal.data();
  double* u0 = m_u0.data();
  double* u1 = m_u1.data();
  double* u2 = m_u2.data();
  double* l = m_multiplier.data();
  char* swapped = m_swapped.data();
  // T - λI = PLU by Gaussian elimination with row interchanges; a pivot
  // that vanishes (λ is an eigenvalue to rounding) is replaced by a tiny
  // one, which is what makes the iteration grow the eigenvector.
  double r0 = d[0] - lambda;
  double r1 = n > 1 ? e[0] : 0.0;
  for (int i = 0; i + 1 < n; ++i) {
    const double below = e[i];
    const double next = d[i + 1] - lambda;
    const double after = i + 2 < n ? e[i + 1] : 0.0;
    if (std::abs(r0) >= std::abs(below)) {
      const double pivot = r0 == 0 ? tiny : r0;
      u0[i] = pivot;
      u1[i] = r1;
      u2[i] = 0;
      l[i] = below / pivot;
      swapped[i] = 0;
      r0 = next - l[i] * r1;
      r1 = after;
    } else {
      u0[i] = below;
      u1[i] = next;
      u2[i] = after;
      l[i] = r0 / below;
      swapped[i] = 1;
      r0 = r1 - l[i] * next;
      r1 = -l[i] * after;
    }
  }
  u0[n - 1] = std::abs(r0) < tiny ? std::copysign(tiny, r0 == 0 ? 1.0 : r0) : r0;
  for (int i = 0; i < n; ++i) {
    if (std::abs(u0[i]) < tiny) {
      u0[i] = std::copysign(tiny, u0[i]);
    }
    // The solves multiply: divisions would lie on their critical path.
    u0[i] = 1.0 / u0[i];
  }
}

bool LeadingAxesSolver::solveShifted(int n, double* x) const {
  const double* inverse = m_u0.data();
  const double* u1 = m_u1.data();
  const double* u2 = m_u2.data();
  const double* l = m_multiplier.data();
  const char* swapped = m_swapped.data();
  for (int i = 0; i + 1 < n; ++i) {
    if (swapped[i]) {
      std::swap(x[i], x[i + 1]);
    }
    x[i + 1] -= l[i] * x[i];
  }
  x[n - 1] *= inverse[n - 1];
  if (n >= 2) {
    x[n - 2] = (x[n - 2] - u1[n - 2] * x[n - 1]) * inverse[n - 2];
  }
  for (int i = n - 3; i >= 0; --i) {
    x[i] = (x[i] - u1[i] * x[i + 1] - u2[i] * x[i + 2]) * inverse[i];
  }
  double largest = 0;
  for (int i = 0; i < n; ++i) {
    largest = std::max(largest, std::abs(x[i]));
  }
  if (!(largest > 0) || !std::isfinite(largest)) {
    return false;
  }
  double squares = 0;
  for (int i = 0; i < n; ++i) {
    x[i] /= largest;
    squares += x[i] * x[i];
  }
  const double unit = 1.0 / std::sqrt(squares);
  for (int i = 0; i < n; ++i) {
    x[i] *= unit;
  }
  return true;
}

double LeadingAxesSolver::rayleighQuotient(int n, const double* x) const {
  const double* d = m_diagonal.data();
  const double* e = m_offDiagonal.data();
  double q = d[n - 1] * x[n - 1] * x[n - 1];
  for (int i = 0; i + 1 < n; ++i) {
    q += x[i] * (d[i] * x[i] + 2.0 * e[i] * x[i + 1]);
  }
  return q;
}

bool LeadingAxesSolver::eigenvector(int n, double estimate, double tiny, double* z, double& lambda,
                                    double& residual) {
  const double* d = m_diagonal.data();
  const double* e = m_offDiagonal.data();
  double* x = z;
  std::copy_n(m_start.begin(), n, x);
  // Inverse iteration with the eigenvalue, exact to rounding, as its
  // shift: each solve shrinks the other eigenvectors' share of the iterate
  // by the shift's error over the gap, so after two nothing but rounding
  // is left of it. Both solves use the one factorisation.
  factorShifted(n, estimate, tiny);
  if (!solveShifted(n, x) || !solveShifted(n, x)) {
    return false;
  }
  lambda = rayleighQuotient(n, x);
  double squares = 0;
  for (int i = 0; i < n; ++i) {
    double r = (d[i] - lambda) * x[i];
    if (i > 0) {
      r += e[i - 1] * x[i - 1];
    }
    if (i + 1 < n) {
      r += e[i] * x[i + 1];
    }
    squares += r * r;
  }
  residual = std::sqrt(squares);
  return std::isfinite(lambda) && std::isfinite(residual);
}

int LeadingAxesSolver::eigenvaluesBelow(int n, double x) const {
  const double* d = m_diagonal.data();
  const double* e2 = m_scratch.data();
  // The negative pivots of T - xI.
  double q = d[0] - x;
  q = std::abs(q) < m_pivmin ? -m_pivmin : q;
  int below = q < 0;
  for (int i = 1; i < n; ++i) {
    q = (d[i] - x) - e2[i - 1] / q;
    q = std::abs(q) < m_pivmin ? -m_pivmin : q;
    below += q < 0;
  }
  return below;
}

bool LeadingAxesSolver::boundSpectrum(int n) {
  const double* d = m_diagonal.data();
  const double* e = m_offDiagonal.data();
  double* e2 = m_scratch.data();
  // Gershgorin's interval holds every eigenvalue.
  double lo = d[0], hi = d[0];
  double largestSquare = 0;
  for (int i = 0; i < n; ++i) {
    const double radius = (i > 0 ? std::abs(e[i - 1]) : 0.0) + (i + 1 < n ? std::abs(e[i]) : 0.0);
    lo = std::min(lo, d[i] - radius);
    hi = std::max(hi, d[i] + radius);
    if (i + 1 < n) {
      e2[i] = e[i] * e[i];
      largestSquare = std::max(largestSquare, e2[i]);
    }
  }
  m_scale = std::max(std::abs(lo), std::abs(hi));
  if (!(m_scale > 0) || !std::isfinite(m_scale)) {
    return false;
  }
  m_pivmin = std::numeric_limits<double>::min() * std::max(1.0, largestSquare);
  const double slack = 4 * n * std::numeric_limits<double>::epsilon() * m_scale;
  m_lowest = lo - slack;
  m_highest = hi + slack;
  return true;
}

int LeadingAxesSolver::logDerivatives(int n, double x, double& g, double& h) const {
  const double* d = m_diagonal.data();
  const double* e2 = m_scratch.data();
  // The pivots q of T - xI = LDLᵀ with their first and second derivatives
  // in x, carried as r = q'/q and s = q''/q: the derivatives of
  // ln |det(T - xI)| are then sums over the pivots.
  double q = d[0] - x;
  q = std::abs(q) < m_pivmin ? -m_pivmin : q;
  int below = q < 0;
  double inverse = 1.0 / q;
  double r = -inverse;
  double s = 0;
  double sumR = r, sumH = r * r;
  for (int i = 1; i < n; ++i) {
    const double w = e2[i - 1] * inverse;
    q = (d[i] - x) - w;
    q = std::abs(q) < m_pivmin ? -m_pivmin : q;
    below += q < 0;
    const double dq = w * r - 1.0;
    const double ddq = w * (s - 2.0 * r * r);
    inverse = 1.0 / q;
    r = dq * inverse;
    s = ddq * inverse;
    sumR += r;
    sumH += r * r - s;
  }
  g = sumR;
  h = sumH;
  return below;
}

bool LeadingAxesSolver::leadingEigenvalues(int n, int k) {
  if (!boundSpectrum(n)) {
    return false;
  }
  // A step this small leaves an error of about its cube over the gap
  // squared, far below rounding for any gap the axes are computed for.
  const double tolerance = 1e-12 * m_scale;
  // Laguerre's iteration, with the eigenvalues already found divided out:
  // from above the largest remaining one it falls to it monotonically and
  // cubically. Sturm counts from the same pivots keep a bracket around
  // the target, into which a stray step is replaced by bisection.
  double upper = m_highest;
  for (int t = 0; t < k; ++t) {
    const int degree = n - t;
    double a = m_lowest, b = upper;
    // Not on the eigenvalue just found, where its pole would swamp the rest.
    double x = t == 0 ? upper : upper - 1e-3 * m_scale;
    if (!(x > a)) {
      x = 0.5 * (a + b);
    }
    bool converged = false;
    for (int step = 0; step < kLaguerreSteps && !converged; ++step) {
      double g = 0, h = 0;
      // x lies above the target when n - t eigenvalues lie below it.
      (logDerivatives(n, x, g, h) >= n - t ? b : a) = x;
      for (int j = 0; j < t; ++j) {
        const double pole = 1.0 / (x - m_estimate[j]);
        g -= pole;
        h -= pole * pole;
      }
      const double root = std::sqrt(std::max(0.0, (degree - 1) * (degree * h - g * g)));
      double next = x - degree / (g >= 0 ? g + root : g - root);
      if (std::abs(next - x) <= tolerance) {
        // Settled: a step this small may round onto the bracket's end.
        converged = true;
        x = next > a && next < b ? next : x;
        break;
      }
      if (!(next > a && next < b)) {
        next = 0.5 * (a + b);
      }
      converged = b - a <= tolerance;
      x = next;
    }
    if (!converged) {
      return false;
    }
    m_estimate[t] = x;
    upper = x;
  }
  return true;
}

bool LeadingAxesSolver::computeByInverseIteration(Eigen::Ref<const Matrix> symmetric, int k) {
  const int n = static_cast<int>(symmetric.rows());
  // Whole, from the lower triangle.
  const double* in = symmetric.data();
  const Index stride = symmetric.outerStride();
  for (int l = 0; l < n; ++l) {
    double* column = m_work.col(l).data();
    const double* lower = in + l * stride;
    for (int i = l; i < n; ++i) {
      column[i] = lower[i];
    }
    for (int i = 0; i < l; ++i) {
      column[i] = in[l + i * stride];
    }
  }
  tridiagonalize(n);
  if (!leadingEigenvalues(n, k)) {
    return false;
  }
  const double eps = std::numeric_limits<double>::epsilon();
  double norm = 0;
  for (int j = 0; j < k; ++j) {
    double* z = m_axes.col(j).data();
    double lambda = 0, residual = 0;
    if (!eigenvector(n, m_estimate[j], eps * m_scale, z, lambda, residual)) {
      return false;
    }
    if (j == 0) {
      // The norm is the largest eigenvalue unless one lies below its
      // negative, which no covariance has: such matrices go the long way.
      norm = std::abs(lambda);
      if (!(norm > 0) || eigenvaluesBelow(n, -norm * (1 + 1e3 * eps)) != 0) {
        return false;
      }
    }
    // |T x - λx| small against the gap to the other eigenvalues bounds the
    // angle to the true eigenvector.
    const double tolerance = 1e3 * n * eps * norm;
    if (!(residual <= tolerance)) {
      return false;
    }
    // λ must be the (j + 1)-th largest eigenvalue, and clear of the next
    // smaller one (the next larger is the previous one's lower neighbour).
    const int position = n - 1 - j;
    if (eigenvaluesBelow(n, lambda - tolerance) != position ||
        eigenvaluesBelow(n, lambda + tolerance) != position + 1 ||
        (position > 0 && eigenvaluesBelow(n, lambda - kSeparation * norm) != position)) {
      return false;
    }
    applyReflectors(n, z);
    m_variances(j) = lambda;
  }
  return true;
}

bool LeadingAxesSolver::computeIfSeparated(Eigen::Ref<const Matrix> symmetric, int k) {
  const int n = static_cast<int>(symmetric.rows());
  reserve(n, k);
  m_n = n;
  m_tridiagonal = lowerTriangleFinite(symmetric) && computeByInverseIteration(symmetric, k);
  return m_tridiagonal;
}

std::optional<double> LeadingAxesSolver::logDeterminantIfDefinite() const {
  if (!m_tridiagonal) {
    return std::nullopt;
  }
  const double* d = m_diagonal.data();
  const double* e2 = m_scratch.data();
  // The pivots' product, brought back into range only when it strays far:
  // one logarithm then serves them all.
  double product = 1;
  int exponent = 0;
  double q = 0;
  for (int i = 0; i < m_n; ++i) {
    q = i == 0 ? d[0] : d[i] - e2[i - 1] / q;
    if (!(q > 0 && q > kDefinitePivot * d[i])) {
      return std::nullopt;
    }
    product *= q;
    if (!(product > 0x1p-600 && product < 0x1p600)) {
      int e = 0;
      product = std::frexp(product, &e);
      exponent += e;
    }
  }
  return std::log(product) + exponent * std::numbers::ln2;
}

void LeadingAxesSolver::compute(Eigen::Ref<const Matrix> symmetric, int k) {
  const int n = static_cast<int>(symmetric.rows());
  reserve(n, k);
  m_n = n;
  m_tridiagonal = false;
  // LAPACK's bisection need not end on NaN input.
  if (!lowerTriangleFinite(symmetric)) {
    m_axes.setConstant(std::numeric_limits<double>::quiet_NaN());
    m_variances.setConstant(std::numeric_limits<double>::quiet_NaN());
    return;
  }
  m_tridiagonal = computeByInverseIteration(symmetric, k);
  if (!m_tridiagonal) {
    computeByLapack(symmetric, k);
  }
}

}  // namespace vexmoor
