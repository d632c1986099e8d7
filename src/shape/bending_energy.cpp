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

SymmetricEigen bendingEnergyEigen(Matrix kernel, const Matrix& affine, const std::string& singular,
                                  const Progress* progress) {
  const Index k = kernel.rows();
  const Index c = affine.cols();
  Eigen::HouseholderQR<Matrix> qr(affine);
  const auto r = qr.matrixQR().topRows(c).diagonal().cwiseAbs();
  if (!(r.minCoeff() > kSingular * r.maxCoeff())) {
    throw Error(singular);
  }
  const auto q = qr.householderQ();
  // Qᵀ K Q; its lower-right block is M.
  kernel.applyOnTheLeft(q.adjoint());
  throwIfCancelled(progress);
  kernel.applyOnTheRight(q);
  throwIfCancelled(progress);
  Matrix m = kernel.bottomRightCorner(k - c, k - c);
  kernel.resize(0, 0);
  EigenPairs e = stepwiseEigen(std::move(m), 0, progress);
  const double largest = e.values.cwiseAbs().maxCoeff();
  if (!(e.values.cwiseAbs().minCoeff() > kSingular * largest)) {
    throw Error(singular);
  }
  // Eigenvectors of the bending energy in the basis Q: [0; u] for 1/μ,
  // the unit vectors of P's columns for 0.
  Matrix padded = Matrix::Zero(k, k);
  padded.topLeftCorner(c, c).setIdentity();
  padded.bottomRightCorner(k - c, k - c) = e.vectors;
  e.vectors.resize(0, 0);
  padded.applyOnTheLeft(q);
  throwIfCancelled(progress);
  Vector values(k);
  values.head(c).setZero();
  values.tail(k - c) = e.values.cwiseInverse();
  std::vector<Index> order(static_cast<size_t>(k));
  std::iota(order.begin(), order.end(), Index{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](Index a, Index b) { return values(a) < values(b); });
  SymmetricEigen out{Vector(k), std::move(padded)};
  for (Index i = 0; i < k; ++i) {
    out.values(i) = values(order[static_cast<size_t>(i)]);
  }
  // Column i takes column order[i], cycle by cycle in place: a second
  // k × k matrix would double the memory on thousands of landmarks.
  std::vector<bool> placed(static_cast<size_t>(k), false);
  Vector held(k);
  for (Index start = 0; start < k; ++start) {
    if (placed[static_cast<size_t>(start)]) {
      continue;
    }
    held = out.vectors.col(start);
    Index to = start;
    for (Index from = order[static_cast<size_t>(to)]; from != start;
         from = order[static_cast<size_t>(to)]) {
      out.vectors.col(to) = out.vectors.col(from);
      placed[static_cast<size_t>(to)] = true;
      to = from;
    }
    out.vectors.col(to) = held;
    placed[static_cast<size_t>(to)] = true;
  }
  fixEigenvectorSigns(out.vectors);
  return out;
}

}  // namespace vexmoor
