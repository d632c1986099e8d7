#include "compare/leading_axes.h"

#include <dlfcn.h>
#include <lapacke.h>

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

bool lowerTriangleFinite(const Matrix& a) {
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

void LeadingAxesSolver::prepareWorkspace(int p, int k) {
  if (p == m_p && k == m_k) {
    return;
  }
  keepLapackSingleThreaded();
  m_p = p;
  m_k = k;
  m_work.resize(p, p);
  m_ascending.resize(p, k);
  m_axes.resize(p, k);
  m_values.resize(p);
  m_variances.resize(k);
  m_support.assign(2 * static_cast<size_t>(p), 0);
  // Ask LAPACK for its workspace once per shape.
  double workSize = 0;
  lapack_int iworkSize = 0;
  lapack_int found = 0;
  m_work.setIdentity();
  LAPACKE_dsyevr_work(LAPACK_COL_MAJOR, 'V', 'I', 'L', p, m_work.data(), p, 0.0, 0.0, p - k + 1, p,
                      0.0, &found, m_values.data(), m_ascending.data(), p, m_support.data(),
                      &workSize, -1, &iworkSize, -1);
  m_lapackWork.assign(static_cast<size_t>(workSize) + 1, 0.0);
  m_lapackIwork.assign(static_cast<size_t>(iworkSize) + 1, 0);
}

void LeadingAxesSolver::computeFully(const Matrix& symmetric, int k) {
  Eigen::SelfAdjointEigenSolver<Matrix> eig(symmetric);
  Index p = symmetric.rows();
  for (int j = 0; j < k; ++j) {
    m_axes.col(j) = eig.eigenvectors().col(p - 1 - j);
    m_variances(j) = eig.eigenvalues()(p - 1 - j);
  }
}

void LeadingAxesSolver::compute(const Matrix& symmetric, int k) {
  const int p = static_cast<int>(symmetric.rows());
  prepareWorkspace(p, k);
  // LAPACK's bisection need not end on NaN input.
  if (!lowerTriangleFinite(symmetric)) {
    m_axes.setConstant(std::numeric_limits<double>::quiet_NaN());
    m_variances.setConstant(std::numeric_limits<double>::quiet_NaN());
    return;
  }
  m_work = symmetric;
  lapack_int found = 0;
  // Eigenvalues p - k + 1 ... p in ascending order are the k largest.
  lapack_int info = LAPACKE_dsyevr_work(
      LAPACK_COL_MAJOR, 'V', 'I', 'L', p, m_work.data(), p, 0.0, 0.0, p - k + 1, p,
      std::numeric_limits<double>::min(), &found, m_values.data(), m_ascending.data(), p,
      m_support.data(), m_lapackWork.data(), static_cast<lapack_int>(m_lapackWork.size()),
      m_lapackIwork.data(), static_cast<lapack_int>(m_lapackIwork.size()));
  if (info != 0 || found != k) {
    computeFully(symmetric, k);
    return;
  }
  for (int j = 0; j < k; ++j) {
    m_axes.col(j) = m_ascending.col(k - 1 - j);
    m_variances(j) = m_values(k - 1 - j);
  }
}

}  // namespace vexmoor
