#include "compare/principal_axes.h"

#include <algorithm>
#include <limits>
#include <string>

#include "runtime/error.h"
#include "runtime/stepwise_eigen.h"

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

namespace {

// Products per block between cancel checks: a few hundredths of a second.
constexpr double kBlockProducts = 1e8;

Index blockWidth(Index others) {
  return std::max<Index>(1, static_cast<Index>(kBlockProducts / std::max(1.0, double(others))));
}

// The k largest eigenpairs of a symmetric matrix, leading first.
PrincipalAxes leadingPairs(const Matrix& symmetric, int k, const Progress* progress) {
  if (symmetric.rows() < kStepwiseSize) {
    PrincipalAxes all = principalAxes(symmetric);
    return {all.variances.head(k), all.axes.leftCols(k)};
  }
  EigenPairs e = stepwiseEigen(symmetric, k, progress);
  return {e.values.reverse(), e.vectors.rowwise().reverse()};
}

}  // namespace

Matrix crossProducts(const Matrix& x, const Progress* progress) {
  const Index p = x.cols();
  Matrix out(p, p);
  const Index width = blockWidth(x.rows() * p);
  for (Index c = 0; c < p; c += width) {
    throwIfCancelled(progress);
    const Index b = std::min(width, p - c);
    out.middleCols(c, b).noalias() = x.transpose() * x.middleCols(c, b);
  }
  return out;
}

Matrix innerProducts(const Matrix& x, const Progress* progress) {
  const Index m = x.rows();
  Matrix out = Matrix::Zero(m, m);
  const Index width = blockWidth(m * m);
  for (Index c = 0; c < x.cols(); c += width) {
    throwIfCancelled(progress);
    const Index b = std::min(width, x.cols() - c);
    out.noalias() += x.middleCols(c, b) * x.middleCols(c, b).transpose();
  }
  return out;
}

Matrix leadingPrincipalAxes(const Matrix& x, int k, const Progress* progress) {
  const Index m = x.rows();
  const Index p = x.cols();
  if (p < kStepwiseSize) {
    return principalAxes(covariance(x)).axes.leftCols(k);
  }
  if (m < 2) {
    covariance(x);  // its message
  }
  Matrix centred = x.rowwise() - x.colwise().mean();
  if (m - 1 < p) {
    // The covariance BᵀB/(m − 1) and the inner products BBᵀ share their
    // nonzero eigenvalues; u of BBᵀ gives the covariance's axis Bᵀu/√λ.
    PrincipalAxes inner = leadingPairs(innerProducts(centred, progress), k, progress);
    const double floor = 1e3 * static_cast<double>(m) * std::numeric_limits<double>::epsilon() *
                         std::max(inner.variances(0), 0.0);
    if (inner.variances(k - 1) > floor) {
      Matrix axes(p, k);
      for (int j = 0; j < k; ++j) {
        throwIfCancelled(progress);
        axes.col(j).noalias() = centred.transpose() * inner.axes.col(j);
      }
      // Normalised, and what rounding left of the earlier axes removed
      // (twice is enough for columns this close to orthogonal).
      for (int pass = 0; pass < 2; ++pass) {
        for (int j = 0; j < k; ++j) {
          for (int i = 0; i < j; ++i) {
            axes.col(j) -= axes.col(i).dot(axes.col(j)) * axes.col(i);
          }
          axes.col(j).normalize();
        }
      }
      return axes;
    }
    // Fewer than k directions of variation: the covariance's own
    // decomposition picks the arbitrary ones, as it always has.
  }
  Matrix c = crossProducts(centred, progress) / static_cast<double>(m - 1);
  return leadingPairs(c, k, progress).axes;
}

}  // namespace vexmoor
