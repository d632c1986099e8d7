#include "runtime/stepwise_eigen.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <vector>

#include <Eigen/Eigenvalues>

#include "runtime/lapack.h"

namespace vexmoor {
namespace {

// Columns of eigenvectors turned back together: they stay in the caches
// while the reflectors stream past.
constexpr Index kBackBlock = 32;

struct Tridiagonal {
  Matrix reflectors;  // below the subdiagonal: the Householder vectors
  Vector tau;
  Vector diagonal, offDiagonal;
};

// A = Q T Qᵀ with Q = H0 H1 ... H(n-3), one column at a time, as Eigen's
// tridiagonalisation does it.
Tridiagonal tridiagonalize(Matrix symmetric, const Progress* progress) {
  const Index n = symmetric.rows();
  Tridiagonal t;
  t.reflectors = std::move(symmetric);
  Matrix& a = t.reflectors;
  t.tau = Vector::Zero(std::max<Index>(n - 1, 0));
  Vector h(n);
  for (Index j = 0; j + 2 < n; ++j) {
    throwIfCancelled(progress);
    const Index r = n - j - 1;
    auto x = a.col(j).tail(r);
    double tau = 0, beta = 0;
    x.makeHouseholderInPlace(tau, beta);
    x(0) = 1;
    auto rest = a.bottomRightCorner(r, r);
    auto w = h.tail(r);
    w.noalias() = rest.selfadjointView<Eigen::Lower>() * (tau * x);
    w += (tau * -0.5 * w.dot(x)) * x;
    rest.selfadjointView<Eigen::Lower>().rankUpdate(x, w, -1);
    x(0) = beta;
    t.tau(j) = tau;
  }
  t.diagonal = a.diagonal();
  t.offDiagonal.resize(std::max<Index>(n - 1, 0));
  for (Index i = 0; i + 1 < n; ++i) {
    t.offDiagonal(i) = a(i + 1, i);
  }
  return t;
}

// The eigenpairs first ... last (1-based, ascending) of the tridiagonal
// matrix by LAPACK's MRRR (dstemr): O(n) work per eigenvector, orthogonal
// to working precision without any reorthogonalisation, so that one call
// takes a fraction of a second even on thousands of rows. (Inverse
// iteration would reorthogonalise every eigenvector of a graded spectrum,
// such as a spline's, against all the others.)
bool tridiagonalPairs(const Tridiagonal& t, lapack_int first, lapack_int last, Vector& values,
                      Matrix& z) {
  const lapack_int n = static_cast<lapack_int>(t.diagonal.size());
  const lapack_int wanted = last - first + 1;
  Vector d = t.diagonal;
  Vector e(n);
  e.head(n - 1) = t.offDiagonal;
  e(n - 1) = 0;
  values.resize(n);
  z.resize(n, wanted);
  std::vector<lapack_int> support(2 * static_cast<size_t>(wanted));
  lapack_int found = 0;
  lapack_logical tryrac = 1;
  const char range = first == 1 && last == n ? 'A' : 'I';
  lapack_int info = lapackDstemr('V', range, n, d.data(), e.data(), 0.0, 0.0, first, last, &found,
                                 values.data(), z.data(), n, wanted, support.data(), &tryrac);
  if (info != 0 || found != wanted) {
    return false;
  }
  values.conservativeResize(wanted);
  return true;
}

// z := Q z, reflector by reflector, a block of columns at a time.
void turnBack(const Tridiagonal& t, const Progress* progress, Matrix& z) {
  const Index n = t.reflectors.rows();
  Vector v(n);
  RowVector w(kBackBlock);
  for (Index c0 = 0; c0 < z.cols(); c0 += kBackBlock) {
    const Index width = std::min(kBackBlock, z.cols() - c0);
    for (Index j = n - 3; j >= 0; --j) {
      const double tau = t.tau(j);
      if (tau == 0) {
        continue;
      }
      throwIfCancelled(progress);
      const Index r = n - j - 1;
      auto head = v.head(r);
      head(0) = 1;
      head.tail(r - 1) = t.reflectors.col(j).tail(r - 1);
      auto block = z.block(j + 1, c0, r, width);
      auto wb = w.head(width);
      wb.noalias() = head.transpose() * block;
      block.noalias() -= (tau * head) * wb;
    }
  }
}

EigenPairs inOnePiece(const Matrix& symmetric, Index count) {
  Eigen::SelfAdjointEigenSolver<Matrix> eig(symmetric);
  Index n = symmetric.rows();
  Index take = count == 0 ? n : count;
  return {eig.eigenvalues().tail(take), eig.eigenvectors().rightCols(take)};
}

}  // namespace

EigenPairs stepwiseEigen(Matrix symmetric, Index count, const Progress* progress) {
  const Index n = symmetric.rows();
  assert(symmetric.cols() == n && count >= 0 && count <= n);
  if (n < 3) {
    return inOnePiece(symmetric, count);
  }
  // Scaled to unit size, as Eigen's solver does, so that no square
  // overflows or underflows on the way.
  double scale = 0;
  for (Index j = 0; j < n; ++j) {
    scale = std::max(scale, symmetric.col(j).tail(n - j).cwiseAbs().maxCoeff());
  }
  if (!(scale > 0) || !std::isfinite(scale)) {
    return inOnePiece(symmetric, count);
  }
  symmetric /= scale;
  Tridiagonal t = tridiagonalize(std::move(symmetric), progress);
  const lapack_int size = static_cast<lapack_int>(n);
  const lapack_int first = count == 0 ? 1 : size - static_cast<lapack_int>(count) + 1;
  throwIfCancelled(progress);
  EigenPairs out;
  if (!tridiagonalPairs(t, first, size, out.values, out.vectors)) {
    // LAPACK gave up (it does not on finite matrices): the slow way, on
    // the tridiagonal form (the matrix itself is gone into it).
    Eigen::SelfAdjointEigenSolver<Matrix> eig;
    eig.computeFromTridiagonal(t.diagonal, t.offDiagonal);
    out.values = eig.eigenvalues().tail(size - first + 1);
    out.vectors = eig.eigenvectors().rightCols(size - first + 1);
  }
  throwIfCancelled(progress);
  out.values *= scale;
  turnBack(t, progress, out.vectors);
  return out;
}

}  // namespace vexmoor
