#include "compare/principal_axes.h"

#include <string>

#include "runtime/error.h"

namespace vexmoor {

Matrix covariance(const Matrix& x) {
  if (x.rows() < 2) {
    throw Error("a covariance needs at least 2 specimens; there are " + std::to_string(x.rows()));
  }
  Matrix centred = x.rowwise() - x.colwise().mean();
  return (centred.transpose() * centred) / static_cast<double>(x.rows() - 1);
}

Matrix covarianceOfStacked(const Matrix& a, const Matrix& b) {
  Matrix stacked(a.rows() + b.rows(), a.cols());
  stacked << a, b;
  return covariance(stacked);
}

PrincipalAxes principalAxes(const Matrix& symmetric) {
  Eigen::SelfAdjointEigenSolver<Matrix> eig(symmetric);
  // The solver delivers ascending order; the leading axes come first here.
  return {eig.eigenvalues().reverse(), eig.eigenvectors().rowwise().reverse()};
}

}  // namespace vexmoor
