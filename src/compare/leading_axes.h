// The leading k eigenvectors of a symmetric matrix, without the rest: the
// resampling tests need only the first k principal axes of each sample, and
// computing just those is several times faster than a full decomposition
// when k is small.
//
// The matrices are small (tens of rows), where the call overhead of a
// general LAPACK driver outweighs the arithmetic. So the solver reduces the
// matrix to tridiagonal form itself, finds the k leading eigenvalues by
// Laguerre's iteration on its characteristic polynomial (guarded by Sturm
// counts) and their eigenvectors by inverse iteration, which is exact to
// rounding when each leading eigenvalue stands apart from its neighbours;
// Sturm counts confirm which eigenvalue each vector belongs to. When one does
// not (a repeated or nearly repeated eigenvalue among the leading k + 1, as
// in singular or degenerate samples), LAPACK's selected-range driver
// decomposes the matrix instead, so that such cases give exactly the axes
// they always gave.
#pragma once

#include <optional>
#include <vector>

#include "runtime/matrix.h"

namespace vexmoor {

// Keeps its workspace between calls and grows it only for a larger matrix
// or another k: repeated calls allocate nothing, also when the size varies
// below the largest seen. Callers that run their own threads, one
// decomposition each, keep LAPACK single-threaded meanwhile
// (runtime/blas_threads.h).
class LeadingAxesSolver {
 public:
  // symmetric: n × n; only its lower triangle is read. 1 <= k <= n.
  // Afterwards axes() is n × k, column j the unit eigenvector of the j-th
  // largest eigenvalue, and variances() holds those k eigenvalues,
  // descending. A matrix with a non-finite element gives NaN axes and
  // variances. Should LAPACK fail, a full decomposition takes over.
  void compute(Eigen::Ref<const Matrix> symmetric, int k);
  // The same without the fallback: true, with the axes and variances of
  // compute(), when each leading eigenvalue stands clear of its neighbours
  // and the matrix is finite; false, with both undefined, otherwise.
  bool computeIfSeparated(Eigen::Ref<const Matrix> symmetric, int k);

  // After a compute() or computeIfSeparated() whose axes came from the
  // tridiagonal form: ln det of the decomposed matrix, the sum of the logs
  // of the pivots of that form's LDLᵀ factorisation (its determinant is the
  // matrix's). nullopt when a pivot falls below 1e-3 of its diagonal
  // element or is not a positive number, or when the last call took
  // another route.
  std::optional<double> logDeterminantIfDefinite() const;

  Eigen::Block<const Matrix> axes() const { return m_axes.topLeftCorner(m_n, m_k); }
  Eigen::VectorBlock<const Vector> variances() const { return m_variances.head(m_k); }

  // Prepares the workspace for matrices up to n × n and this k.
  void reserve(int n, int k);

 private:
  void computeFully(Eigen::Ref<const Matrix> symmetric);
  void computeByLapack(Eigen::Ref<const Matrix> symmetric, int k);
  // False when an eigenvalue is too close to a neighbour for inverse
  // iteration, or a vector does not meet its residual bound.
  bool computeByInverseIteration(Eigen::Ref<const Matrix> symmetric, int k);
  void tridiagonalize(int n);
  // The Gershgorin bounds of the tridiagonal matrix (m_lowest,
  // m_highest, m_scale the larger magnitude), its squared off-diagonal and
  // the smallest pivot allowed; false for a zero or non-finite matrix.
  bool boundSpectrum(int n);
  // The k largest eigenvalues of the tridiagonal matrix to rounding, into
  // m_estimate, largest first; false when the iteration does not settle.
  bool leadingEigenvalues(int n, int k);
  // At x: the sum of 1 / (x - λ) over the eigenvalues into g, of
  // 1 / (x - λ)² into h; returns the number of eigenvalues below x.
  int logDerivatives(int n, double x, double& g, double& h) const;
  // The number of eigenvalues of the tridiagonal matrix below x.
  int eigenvaluesBelow(int n, double x) const;
  // A unit eigenvector of the tridiagonal matrix by inverse iteration with
  // `estimate`, its Rayleigh quotient and |T z - λz|; which eigenvalue it
  // belongs to is for the caller to check. False on overflow.
  bool eigenvector(int n, double estimate, double tiny, double* z, double& lambda,
                   double& residual);
  // T - λI = PLU into m_u0 (reciprocal pivots), m_u1, m_u2, m_multiplier
  // and m_swapped; then one solve with it, normalised.
  void factorShifted(int n, double lambda, double tiny);
  bool solveShifted(int n, double* x) const;
  double rayleighQuotient(int n, const double* x) const;
  void applyReflectors(int n, double* z) const;

  Matrix m_work;       // capacity × capacity, destroyed by LAPACK on every call
  Matrix m_ascending;  // capacity × k, as LAPACK delivers them
  Matrix m_axes;       // capacity × k, largest first
  Vector m_values;
  // The tridiagonal matrix: diagonal, off-diagonal and its squares; the
  // reflectors' factors.
  std::vector<double> m_diagonal, m_offDiagonal, m_scratch, m_tau;
  // Inverse iteration: the factors of T - λI and the iterate.
  std::vector<double> m_u0, m_u1, m_u2, m_multiplier, m_x, m_start;
  std::vector<double> m_v;  // the current reflector, 1 in front
  std::vector<char> m_swapped;
  // The leading eigenvalues, largest first; the squared off-diagonal
  // lives in m_scratch.
  std::vector<double> m_estimate;
  double m_scale = 0;
  double m_pivmin = 0;
  double m_lowest = 0, m_highest = 0;
  Vector m_variances;
  std::vector<double> m_lapackWork;
  std::vector<int> m_lapackIwork;
  std::vector<int> m_support;
  bool m_tridiagonal = false;  // the axes came from the tridiagonal form
  int m_capacity = 0;
  int m_k = 0;
  int m_n = 0;
};

}  // namespace vexmoor
