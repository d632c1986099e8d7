#include "shape/bending_energy.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include <Eigen/QR>

#include "runtime/error.h"
#include "runtime/stepwise_eigen.h"

namespace vexmoor {
namespace {

// Relative sizes below which P's columns or M count as singular: far below
// any real spline, far above rounding.
constexpr double kSingular = 1e-12;

}  // namespace

SymmetricEigen bendingEnergyEigen(const Matrix& kernel, const Matrix& affine,
                                  const std::string& singular, const Progress* progress) {
  const Index k = kernel.rows();
  const Index c = affine.cols();
  Eigen::HouseholderQR<Matrix> qr(affine);
  const auto r = qr.matrixQR().topRows(c).diagonal().cwiseAbs();
  if (!(r.minCoeff() > kSingular * r.maxCoeff())) {
    throw Error(singular);
  }
  const auto q = qr.householderQ();
  // Qᵀ K Q; its lower-right block is M.
  Matrix turned = kernel;
  turned.applyOnTheLeft(q.adjoint());
  throwIfCancelled(progress);
  turned.applyOnTheRight(q);
  throwIfCancelled(progress);
  Matrix m = turned.bottomRightCorner(k - c, k - c);
  EigenPairs e = stepwiseEigen(m, 0, progress);
  const double largest = e.values.cwiseAbs().maxCoeff();
  if (!(e.values.cwiseAbs().minCoeff() > kSingular * largest)) {
    throw Error(singular);
  }
  // Eigenvectors of the bending energy in the basis Q: [0; u] for 1/μ,
  // the unit vectors of P's columns for 0.
  Matrix padded = Matrix::Zero(k, k);
  padded.topLeftCorner(c, c).setIdentity();
  padded.bottomRightCorner(k - c, k - c) = e.vectors;
  padded.applyOnTheLeft(q);
  throwIfCancelled(progress);
  Vector values(k);
  values.head(c).setZero();
  values.tail(k - c) = e.values.cwiseInverse();
  std::vector<Index> order(static_cast<size_t>(k));
  std::iota(order.begin(), order.end(), Index{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](Index a, Index b) { return values(a) < values(b); });
  SymmetricEigen out{Vector(k), Matrix(k, k)};
  for (Index i = 0; i < k; ++i) {
    out.values(i) = values(order[static_cast<size_t>(i)]);
    out.vectors.col(i) = padded.col(order[static_cast<size_t>(i)]);
  }
  fixEigenvectorSigns(out.vectors);
  return out;
}

}  // namespace vexmoor
