// Covariance matrices and their principal axes.
#pragma once

#include "runtime/matrix.h"
#include "runtime/progress.h"

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

// The leading k principal axes of the rows of x (m × p, m >= 2, 1 <= k <=
// p): p × k, column j the unit eigenvector of the covariance's j-th largest
// eigenvalue. Below kStepwiseSize variables exactly the first k columns of
// principalAxes(covariance(x)).axes. From there on in steps that look for a
// cancel request (throws Cancelled when `progress` asks), and, where x has
// fewer rows than variables and varies in at least k directions, from the
// m × m inner products of its centred rows (each axis Bᵀu / sqrt(λ)) without
// forming the p × p covariance. Throws vexmoor::Error when m < 2.
Matrix leadingPrincipalAxes(const Matrix& x, int k, const Progress* progress = nullptr);

// xᵀx and x xᵀ in column blocks, looking for a cancel request between them.
Matrix crossProducts(const Matrix& x, const Progress* progress);
Matrix innerProducts(const Matrix& x, const Progress* progress);

}  // namespace vexmoor
