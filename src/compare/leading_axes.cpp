#include "compare/leading_axes.h"

#include <dlfcn.h>
#include <lapacke.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

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

void LeadingAxesSolver::compute(Eigen::Ref<const Matrix> symmetric, int k) {
  const int n = static_cast<int>(symmetric.rows());
  reserve(n, k);
  m_n = n;
  // LAPACK's bisection need not end on NaN input.
  if (!lowerTriangleFinite(symmetric)) {
    m_axes.setConstant(std::numeric_limits<double>::quiet_NaN());
    m_variances.setConstant(std::numeric_limits<double>::quiet_NaN());
    return;
  }
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

}  // namespace vexmoor
