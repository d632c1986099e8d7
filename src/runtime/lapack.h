// LAPACK's Fortran routines that the core calls, declared once, so that the
// core links whichever LAPACK its host provides (the system's liblapack in
// the CMake build, R's own LAPACK in the R package) rather than LAPACKE.
// Matrices are column-major; integers are LAPACK's default 32-bit ones.
#pragma once

#include <cstddef>

// gfortran passes each character argument's length as a hidden trailing
// argument of type size_t (R names that type FC_LEN_T).
#ifndef FC_LEN_T
#define FC_LEN_T std::size_t
#endif

extern "C" {
void dsyevr_(const char* jobz, const char* range, const char* uplo, const int* n, double* a,
             const int* lda, const double* vl, const double* vu, const int* il, const int* iu,
             const double* abstol, int* m, double* w, double* z, const int* ldz, int* isuppz,
             double* work, const int* lwork, int* iwork, const int* liwork, int* info,
             FC_LEN_T jobzLength, FC_LEN_T rangeLength, FC_LEN_T uploLength);
void dstemr_(const char* jobz, const char* range, const int* n, double* d, double* e,
             const double* vl, const double* vu, const int* il, const int* iu, int* m, double* w,
             double* z, const int* ldz, const int* nzc, int* isuppz, int* tryrac, double* work,
             const int* lwork, int* iwork, const int* liwork, int* info, FC_LEN_T jobzLength,
             FC_LEN_T rangeLength);
void dlatrd_(const char* uplo, const int* n, const int* nb, double* a, const int* lda, double* e,
             double* tau, double* w, const int* ldw, FC_LEN_T uploLength);
void dsytd2_(const char* uplo, const int* n, double* a, const int* lda, double* d, double* e,
             double* tau, int* info, FC_LEN_T uploLength);
void dormqr_(const char* side, const char* trans, const int* m, const int* n, const int* k,
             const double* a, const int* lda, const double* tau, double* c, const int* ldc,
             double* work, const int* lwork, int* info, FC_LEN_T sideLength, FC_LEN_T transLength);
void dsyr2k_(const char* uplo, const char* trans, const int* n, const int* k, const double* alpha,
             const double* a, const int* lda, const double* b, const int* ldb, const double* beta,
             double* c, const int* ldc, FC_LEN_T uploLength, FC_LEN_T transLength);
}

namespace vexmoor {

using lapack_int = int;
using lapack_logical = int;

// dsyevr with the caller's workspace (lwork = -1 or liwork = -1 asks for
// the sizes in work[0] and iwork[0]). Returns LAPACK's info: 0 on success.
lapack_int lapackDsyevr(char jobz, char range, char uplo, lapack_int n, double* a, lapack_int lda,
                        double vl, double vu, lapack_int il, lapack_int iu, double abstol,
                        lapack_int* m, double* w, double* z, lapack_int ldz, lapack_int* isuppz,
                        double* work, lapack_int lwork, lapack_int* iwork, lapack_int liwork);

// dstemr with a workspace of its own, asked of LAPACK first. d (n) and e
// (n, the last unused) are overwritten. Returns LAPACK's info: 0 on
// success; -1010 (as LAPACKE) where the workspace could not be had.
lapack_int lapackDstemr(char jobz, char range, lapack_int n, double* d, double* e, double vl,
                        double vu, lapack_int il, lapack_int iu, lapack_int* m, double* w,
                        double* z, lapack_int ldz, lapack_int nzc, lapack_int* isuppz,
                        lapack_logical* tryrac);

// The steps of LAPACK's blocked reduction to tridiagonal form (dsytrd),
// lower triangle, for a caller that loops over the panels itself.
// dlatrd: the next nb columns' reflectors and W (ldw × nb) for the update.
void lapackDlatrd(lapack_int n, lapack_int nb, double* a, lapack_int lda, double* e, double* tau,
                  double* w, lapack_int ldw);
// c := c − a bᵀ − b aᵀ on c's lower triangle (n × n; a, b n × k).
void blasSyr2kLowerMinus(lapack_int n, lapack_int k, const double* a, lapack_int lda,
                         const double* b, lapack_int ldb, double* c, lapack_int ldc);
// dsytd2: the unblocked reduction of what remains.
lapack_int lapackDsytd2(lapack_int n, double* a, lapack_int lda, double* d, double* e, double* tau);
// dormqr from the left, not transposed: c (m × n) := Q c for the k
// reflectors in a's columns. Returns LAPACK's info (-1010: no workspace).
lapack_int lapackDormqrLeft(lapack_int m, lapack_int n, lapack_int k, const double* a,
                            lapack_int lda, const double* tau, double* c, lapack_int ldc);

}  // namespace vexmoor
