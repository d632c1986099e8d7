// Covariance matrices and their principal axes.
#pragma once

#include "runtime/matrix.h"

namespace vexmoor {

// Covariance of the columns of x (rows are observations), divisor N - 1.
// Throws vexmoor::Error when x has fewer than two rows.
Matrix covariance(const Matrix& x);

// Covariance of the rows of a stacked on the rows of b.
Matrix covarianceOfStacked(const Matrix& a, const Matrix& b);

// The eigen-decomposition of a symmetric matrix, largest eigenvalue first.
struct PrincipalAxes {
  Vector variances;  // p eigenvalues, descending
  Matrix axes;       // p × p, column i the unit eigenvector of variances(i)
};

PrincipalAxes principalAxes(const Matrix& symmetric);

}  // namespace vexmoor
