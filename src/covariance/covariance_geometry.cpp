#include "covariance/covariance_geometry.h"

#include <cmath>
#include <limits>

#include <Eigen/Eigenvalues>

#include "shape/eigenvector_signs.h"

namespace vexmoor {
namespace {

// L⁻¹·S₁·L⁻ᵀ for S₂ = LLᵀ: symmetric, with the relative eigenvalues as its
// eigenvalues. Symmetrised, since rounding leaves it slightly not.
Matrix whitened(const Matrix& s1, const Eigen::LLT<Matrix>& s2) {
  Matrix y = s2.matrixL().solve(s1);
  Matrix c = s2.matrixL().solve(y.transpose());
  return 0.5 * (c + c.transpose());
}

}  // namespace

std::optional<RelativeEigen> relativeEigen(const Matrix& s1, const Matrix& s2) {
  Eigen::LLT<Matrix> llt(s2);
  if (llt.info() != Eigen::Success || !s1.allFinite()) {
    return std::nullopt;
  }
  Eigen::SelfAdjointEigenSolver<Matrix> eig(whitened(s1, llt));
  if (eig.info() != Eigen::Success) {
    return std::nullopt;
  }
  RelativeEigen out;
  out.values = eig.eigenvalues().reverse();
  // S₂⁻¹S₁·L⁻ᵀw = L⁻ᵀ·(L⁻¹S₁L⁻ᵀ)w = λ·L⁻ᵀw.
  out.vectors = llt.matrixU().solve(Matrix(eig.eigenvectors().rowwise().reverse()));
  out.vectors.colwise().normalize();
  fixEigenvectorSigns(out.vectors);
  return out;
}

Vector relativeEigenvalues(const Matrix& s1, const Eigen::LLT<Matrix>& s2) {
  if (!s1.allFinite()) {
    return Vector();
  }
  Eigen::SelfAdjointEigenSolver<Matrix> eig(whitened(s1, s2), Eigen::EigenvaluesOnly);
  return eig.eigenvalues().reverse();
}

double riemannianDistance(const Vector& relativeValues) {
  double sum = 0;
  for (double v : relativeValues) {
    if (!(v > 0)) {
      return std::numeric_limits<double>::quiet_NaN();
    }
    sum += std::log(v) * std::log(v);
  }
  return std::sqrt(sum);
}

std::optional<Matrix> matrixLogarithm(const Matrix& spd) {
  Eigen::SelfAdjointEigenSolver<Matrix> eig(spd);
  if (eig.info() != Eigen::Success || !(eig.eigenvalues().minCoeff() > 0)) {
    return std::nullopt;
  }
  return eig.eigenvectors() * eig.eigenvalues().array().log().matrix().asDiagonal() *
         eig.eigenvectors().transpose();
}

double logEuclideanDistance(const Matrix& log1, const Matrix& log2) {
  return (log1 - log2).norm();
}

bool clearlyPositiveDefinite(const Matrix& symmetric) {
  if (!symmetric.allFinite()) {
    return false;
  }
  Eigen::SelfAdjointEigenSolver<Matrix> eig(symmetric, Eigen::EigenvaluesOnly);
  const double largest = eig.eigenvalues().maxCoeff();
  const double floor = 1e3 * static_cast<double>(symmetric.rows()) *
                       std::numeric_limits<double>::epsilon() * largest;
  return largest > 0 && eig.eigenvalues().minCoeff() > floor;
}

}  // namespace vexmoor
