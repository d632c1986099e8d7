// The leading k eigenvectors of a symmetric matrix, without the rest: the
// resampling tests need only the first k principal axes of each sample, and
// computing just those is several times faster than a full decomposition
// when k is small.
#pragma once

#include <vector>

#include "runtime/matrix.h"

namespace vexmoor {

// Keeps its workspace between calls and grows it only for a larger matrix
// or another k: repeated calls allocate nothing, also when the size varies
// below the largest seen. The first solver switches OpenBLAS, where it is
// the LAPACK in use, to one thread for the whole process: callers run their
// own threads, one decomposition each.
class LeadingAxesSolver {
 public:
  // symmetric: n × n; only its lower triangle is read. 1 <= k <= n.
  // Afterwards axes() is n × k, column j the unit eigenvector of the j-th
  // largest eigenvalue, and variances() holds those k eigenvalues,
  // descending. A matrix with a non-finite element gives NaN axes and
  // variances. Should LAPACK fail, a full decomposition takes over.
  void compute(Eigen::Ref<const Matrix> symmetric, int k);

  Eigen::Block<const Matrix> axes() const { return m_axes.topLeftCorner(m_n, m_k); }
  Eigen::VectorBlock<const Vector> variances() const { return m_variances.head(m_k); }

  // Prepares the workspace for matrices up to n × n and this k.
  void reserve(int n, int k);

 private:
  void computeFully(Eigen::Ref<const Matrix> symmetric);

  Matrix m_work;       // capacity × capacity, destroyed by LAPACK on every call
  Matrix m_ascending;  // capacity × k, as LAPACK delivers them
  Matrix m_axes;       // capacity × k, largest first
  Vector m_values;
  Vector m_variances;
  std::vector<double> m_lapackWork;
  std::vector<int> m_lapackIwork;
  std::vector<int> m_support;
  int m_capacity = 0;
  int m_k = 0;
  int m_n = 0;
};

}  // namespace vexmoor
