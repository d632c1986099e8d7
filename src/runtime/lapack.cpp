#include "runtime/lapack.h"

#include <new>
#include <vector>

namespace vexmoor {

lapack_int lapackDsyevr(char jobz, char range, char uplo, lapack_int n, double* a, lapack_int lda,
                        double vl, double vu, lapack_int il, lapack_int iu, double abstol,
                        lapack_int* m, double* w, double* z, lapack_int ldz, lapack_int* isuppz,
                        double* work, lapack_int lwork, lapack_int* iwork, lapack_int liwork) {
  lapack_int info = 0;
  dsyevr_(&jobz, &range, &uplo, &n, a, &lda, &vl, &vu, &il, &iu, &abstol, m, w, z, &ldz, isuppz,
          work, &lwork, iwork, &liwork, &info, 1, 1, 1);
  return info;
}

lapack_int lapackDstemr(char jobz, char range, lapack_int n, double* d, double* e, double vl,
                        double vu, lapack_int il, lapack_int iu, lapack_int* m, double* w,
                        double* z, lapack_int ldz, lapack_int nzc, lapack_int* isuppz,
                        lapack_logical* tryrac) {
  lapack_int info = 0;
  double workSize = 0;
  lapack_int iworkSize = 0;
  const lapack_int query = -1;
  dstemr_(&jobz, &range, &n, d, e, &vl, &vu, &il, &iu, m, w, z, &ldz, &nzc, isuppz, tryrac,
          &workSize, &query, &iworkSize, &query, &info, 1, 1);
  if (info != 0) {
    return info;
  }
  const lapack_int lwork = static_cast<lapack_int>(workSize) + 1;
  const lapack_int liwork = iworkSize;
  try {
    std::vector<double> work(static_cast<std::size_t>(lwork));
    std::vector<lapack_int> iwork(static_cast<std::size_t>(liwork));
    dstemr_(&jobz, &range, &n, d, e, &vl, &vu, &il, &iu, m, w, z, &ldz, &nzc, isuppz, tryrac,
            work.data(), &lwork, iwork.data(), &liwork, &info, 1, 1);
  } catch (const std::bad_alloc&) {
    return -1010;
  }
  return info;
}

void lapackDlatrd(lapack_int n, lapack_int nb, double* a, lapack_int lda, double* e, double* tau,
                  double* w, lapack_int ldw) {
  const char uplo = 'L';
  dlatrd_(&uplo, &n, &nb, a, &lda, e, tau, w, &ldw, 1);
}

void blasSyr2kLowerMinus(lapack_int n, lapack_int k, const double* a, lapack_int lda,
                         const double* b, lapack_int ldb, double* c, lapack_int ldc) {
  const char uplo = 'L', trans = 'N';
  const double alpha = -1, beta = 1;
  dsyr2k_(&uplo, &trans, &n, &k, &alpha, a, &lda, b, &ldb, &beta, c, &ldc, 1, 1);
}

lapack_int lapackDsytd2(lapack_int n, double* a, lapack_int lda, double* d, double* e,
                        double* tau) {
  const char uplo = 'L';
  lapack_int info = 0;
  dsytd2_(&uplo, &n, a, &lda, d, e, tau, &info, 1);
  return info;
}

lapack_int lapackDormqrLeft(lapack_int m, lapack_int n, lapack_int k, const double* a,
                            lapack_int lda, const double* tau, double* c, lapack_int ldc) {
  const char side = 'L', trans = 'N';
  lapack_int info = 0;
  double workSize = 0;
  const lapack_int query = -1;
  dormqr_(&side, &trans, &m, &n, &k, a, &lda, tau, c, &ldc, &workSize, &query, &info, 1, 1);
  if (info != 0) {
    return info;
  }
  const lapack_int lwork = static_cast<lapack_int>(workSize) + 1;
  try {
    std::vector<double> work(static_cast<std::size_t>(lwork));
    dormqr_(&side, &trans, &m, &n, &k, a, &lda, tau, c, &ldc, work.data(), &lwork, &info, 1, 1);
  } catch (const std::bad_alloc&) {
    return -1010;
  }
  return info;
}

}  // namespace vexmoor
