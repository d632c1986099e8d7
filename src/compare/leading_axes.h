// The leading k eigenvectors of a symmetric matrix, without the rest: the
// resampling tests need only the first k principal axes of each sample, and
// computing just those is several times faster than a full decomposition
// when k is small.
#pragma once

#include <vector>

#include "runtime/matrix.h"

namespace vexmoor {

// Keeps its workspace between calls: repeated calls with the same p and k
// allocate nothing. The first solver switches OpenBLAS, where it is the
// LAPACK in use, to one thread for the whole process: callers run their
// own threads, one decomposition each.
class LeadingAxesSolver {
 public:
  // symmetric: p × p; only its lower triangle is read. 1 <= k <= p.
  // Afterwards axes() is p × k, column j the unit eigenvector of the j-th
  // largest eigenvalue, and variances() holds those k eigenvalues,
  // descending. A matrix with a non-finite element gives NaN axes and
  // variances. Should LAPACK fail, a full decomposition takes over.
  void compute(const Matrix& symmetric, int k);

  const Matrix& axes() const { return m_axes; }
  const Vector& variances() const { return m_variances; }

 private:
  void prepareWorkspace(int p, int k);
  void computeFully(const Matrix& symmetric, int k);

  Matrix m_work;  // destroyed by LAPACK on every call
  Matrix m_ascending;
  Matrix m_axes;
  Vector m_values;
  Vector m_variances;
  std::vector<double> m_lapackWork;
  std::vector<int> m_lapackIwork;
  std::vector<int> m_support;
  int m_p = -1;
  int m_k = -1;
};

}  // namespace vexmoor
