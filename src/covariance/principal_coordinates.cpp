#include "covariance/principal_coordinates.h"

#include <cassert>
#include <cmath>
#include <limits>

#include <Eigen/Eigenvalues>
#include <Eigen/QR>

#include "shape/eigenvector_signs.h"

namespace vexmoor {

PrincipalCoordinates principalCoordinates(const Matrix& squared) {
  const Index k = squared.rows();
  assert(k >= 2 && squared.cols() == k);
  // Q: an orthonormal basis of the directions orthogonal to the constant
  // vector, so that its trivial zero eigenvalue never mixes with the others
  // (QᵀJ = Qᵀ, so QᵀBQ = −½·QᵀD²Q).
  Eigen::HouseholderQR<Matrix> qr(Matrix::Ones(k, 1));
  Matrix q = Matrix(qr.householderQ()).rightCols(k - 1);
  Matrix c = -0.5 * q.transpose() * squared * q;
  Eigen::SelfAdjointEigenSolver<Matrix> eig(0.5 * (c + c.transpose()));
  PrincipalCoordinates out;
  out.eigenvalues = eig.eigenvalues().reverse();
  const double total = out.eigenvalues.sum();
  out.shares = total > 0 ? Vector(out.eigenvalues / total) : Vector::Zero(k - 1);
  out.cumulativeShares.resize(k - 1);
  double running = 0;
  for (Index i = 0; i < k - 1; ++i) {
    running += out.shares(i);
    out.cumulativeShares(i) = running;
  }
  // Eigenvalues within rounding of 0 have no axis.
  const double floor = 1e3 * static_cast<double>(k) * std::numeric_limits<double>::epsilon() *
                       out.eigenvalues.cwiseAbs().maxCoeff();
  const Index positive = (out.eigenvalues.array() > floor).count();
  out.coordinates = q * eig.eigenvectors().rowwise().reverse().leftCols(positive);
  fixEigenvectorSigns(out.coordinates);
  for (Index j = 0; j < positive; ++j) {
    out.coordinates.col(j) *= std::sqrt(out.eigenvalues(j));
  }
  return out;
}

}  // namespace vexmoor
