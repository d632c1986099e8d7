#include "compare/leading_axes.h"

#include <dlfcn.h>
#include <lapacke.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <numbers>

namespace vexmoor {

static_assert(sizeof(lapack_int) == sizeof(int), "the workspace assumes 32-bit LAPACK integers");

namespace {

// OpenBLAS (Debian's LAPACK of choice) would start its own threads inside
// every call; on matrices this small they cost far more than they give, and
// the replicates already keep every core busy. Looked up at run time so that
// any other LAPACK works as well.
void keepLapackSingleThreaded() {
  static std::once_flag once;
  std::call_once(once, [] {
    using SetThreads = void (*)(int);
    if (void* f = dlsym(RTLD_DEFAULT, "openblas_set_num_threads")) {
      reinterpret_cast<SetThreads>(f)(1);
    }
  });
}

// The relative gap below which a leading eigenvalue counts as repeated.
// Inverse iteration's axes err by about ε|A| / gap: 1e-11 radians here.
constexpr double kSeparation = 1e-5;
// Pivots above this share of their diagonal element leave a determinant
// as accurate as the data.
constexpr double kDefinitePivot = 1e-3;

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
  keepLapackSingleThreaded();
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
  // Bisection: the k leading eigenvalues at a time.
  for (auto* v : {&m_lower, &m_upper, &m_shift, &m_pivot, &m_estimate}) {
    v->assign(static_cast<size_t>(k), 0.0);
  }
  m_below.assign(static_cast<size_t>(k), 0);
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
  LAPACKE_dsyevr_work(LAPACK_COL_MAJOR, 'V', 'I', 'L', c, m_work.data(), c, 0.0, 0.0, c - k + 1, c,
                      0.0, &found, m_values.data(), m_ascending.data(), c, m_support.data(),
                      &workSize, -1, &iworkSize, -1);
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
      LAPACKE_dsyevr_work(LAPACK_COL_MAJOR, 'V', 'I', 'L', n, m_work.data(), c, 0.0, 0.0, n - k + 1,
                          n, 0.0, &found, m_values.data(), m_ascending.data(), c, m_support.data(),
                          m_lapackWork.data(), static_cast<lapack_int>(m_lapackWork.size()),
                          m_lapackIwork.data(), static_cast<lapack_int>(m_lapackIwork.size()));
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
  double* a = m_work.data();
  auto at = [a, c](int i, int l) -> double& { return a[i + l * c]; };
  double* p = m_x.data();
  for (int j = 0; j + 2 < n; ++j) {
    m_diagonal[j] = at(j, j);
    // The reflector H = I - tau v vᵀ, v = (1, v2, ...), that takes column j
    // below the diagonal to (beta, 0, ...); v2 ... is kept in its place.
    const double alpha = at(j + 1, j);
    double tail = 0;
    for (int i = j + 2; i < n; ++i) {
      tail += at(i, j) * at(i, j);
    }
    if (tail == 0) {
      m_tau[j] = 0;
      m_offDiagonal[j] = alpha;
      continue;
    }
    const double beta = -std::copysign(std::sqrt(alpha * alpha + tail), alpha);
    const double tau = (beta - alpha) / beta;
    const double scale = 1.0 / (alpha - beta);
    for (int i = j + 2; i < n; ++i) {
      at(i, j) *= scale;
    }
    m_tau[j] = tau;
    m_offDiagonal[j] = beta;
    // The trailing block becomes H A H = A - v wᵀ - w vᵀ with p = tau A v
    // and w = p - (tau / 2)(pᵀv) v; only its lower triangle is kept.
    const int first = j + 1;
    double* v = m_v.data();
    v[first] = 1.0;
    for (int i = j + 2; i < n; ++i) {
      v[i] = at(i, j);
    }
    for (int i = first; i < n; ++i) {
      p[i] = 0;
    }
    for (int l = first; l < n; ++l) {
      const double vl = v[l];
      const double* column = &at(0, l);
      double sum = column[l] * vl;
      for (int i = l + 1; i < n; ++i) {
        p[i] += column[i] * vl;
        sum += column[i] * v[i];
      }
      p[l] += sum;
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
    for (int l = first; l < n; ++l) {
      const double vl = v[l], wl = p[l];
      double* column = &at(0, l);
      for (int i = l; i < n; ++i) {
        column[i] -= v[i] * wl + p[i] * vl;
      }
    }
  }
  if (n >= 2) {
    m_diagonal[n - 2] = at(n - 2, n - 2);
    m_offDiagonal[n - 2] = at(n - 1, n - 2);
  }
  m_diagonal[n - 1] = at(n - 1, n - 1);
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
  // Rayleigh quotient iteration from the bracketed estimate: each step
  // multiplies the error by the shift's distance over the gap, and the
  // quotient's error is the square of the vector's. Once the quotient
  // stands still it is exact to rounding, and one more step with it leaves
  // nothing of the vector's error but rounding.
  lambda = estimate;
  bool settled = false, done = false;
  for (int step = 0; step < 8 && !done; ++step) {
    factorShifted(n, lambda, tiny);
    if (!solveShifted(n, x)) {
      return false;
    }
    done = settled;
    if (!settled) {
      const double next = rayleighQuotient(n, x);
      settled = std::abs(next - lambda) <= 16 * tiny;
      lambda = next;
    }
  }
  if (!done) {
    return false;
  }
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

bool LeadingAxesSolver::bisectEigenvalues(int n, int k) {
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
  lo -= slack;
  hi += slack;
  // Position n - 1 - j (ascending) for the j-th largest.
  double* a = m_lower.data();
  double* b = m_upper.data();
  double* x = m_shift.data();
  double* q = m_pivot.data();
  int* below = m_below.data();
  for (int t = 0; t < k; ++t) {
    a[t] = lo;
    b[t] = hi;
  }
  // Close enough for the Rayleigh quotient iteration to take over; which
  // eigenvalue it reached is checked by Sturm counts afterwards.
  const double width = 1e-4 * m_scale;
  for (int step = 0; step < 64; ++step) {
    bool narrow = true;
    for (int t = 0; t < k; ++t) {
      narrow = narrow && b[t] - a[t] <= width;
      x[t] = 0.5 * (a[t] + b[t]);
      q[t] = d[0] - x[t];
      q[t] = std::abs(q[t]) < m_pivmin ? -m_pivmin : q[t];
      below[t] = q[t] < 0;
    }
    if (narrow) {
      break;
    }
    // The targets' Sturm recurrences are independent and run side by side.
    for (int i = 1; i < n; ++i) {
      for (int t = 0; t < k; ++t) {
        q[t] = (d[i] - x[t]) - e2[i - 1] / q[t];
        q[t] = std::abs(q[t]) < m_pivmin ? -m_pivmin : q[t];
        below[t] += q[t] < 0;
      }
    }
    for (int t = 0; t < k; ++t) {
      (below[t] > n - 1 - t ? b[t] : a[t]) = x[t];
    }
  }
  for (int t = 0; t < k; ++t) {
    m_estimate[t] = 0.5 * (a[t] + b[t]);
  }
  return true;
}

bool LeadingAxesSolver::computeByInverseIteration(Eigen::Ref<const Matrix> symmetric, int k) {
  const int n = static_cast<int>(symmetric.rows());
  m_work.topLeftCorner(n, n).triangularView<Eigen::Lower>() = symmetric;
  tridiagonalize(n);
  if (!bisectEigenvalues(n, k)) {
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
