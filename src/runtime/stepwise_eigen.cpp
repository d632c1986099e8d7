#include "runtime/stepwise_eigen.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <Eigen/Eigenvalues>

#include "runtime/error.h"
#include "runtime/lapack.h"

namespace vexmoor {
namespace {

// The reduction's panels: at most this many columns, fewer on large
// trailing matrices, where each column's product streams the whole matrix
// (about kPanelWork values a panel, a few hundredths of a second).
constexpr lapack_int kPanel = 32;
constexpr double kPanelWork = 4e8;
// Below this many rows the rest is reduced column by column, as dsytrd does.
constexpr lapack_int kCrossover = 128;
// The way back: reflectors applied together, and products per LAPACK call
// between cancel checks.
constexpr Index kBackReflectors = 64;
constexpr double kBackWork = 1.5e9;

struct Tridiagonal {
  Matrix reflectors;  // below the subdiagonal: the Householder vectors
  Vector tau;
  Vector diagonal, offDiagonal;
};

lapack_int panelWidth(lapack_int rows) {
  const double fits = kPanelWork / (static_cast<double>(rows) * rows);
  return static_cast<lapack_int>(std::clamp(fits, 8.0, static_cast<double>(kPanel)));
}

// A = Q T Qᵀ with Q = H0 H1 ... H(n-2): LAPACK's blocked reduction (dsytrd,
// lower triangle) with its panel loop here, so that cancel is looked for
// between panels.
Tridiagonal tridiagonalize(Matrix symmetric, const Progress* progress) {
  const lapack_int n = static_cast<lapack_int>(symmetric.rows());
  Tridiagonal t;
  t.reflectors = std::move(symmetric);
  double* a = t.reflectors.data();
  t.tau = Vector::Zero(n - 1);
  t.diagonal.resize(n);
  t.offDiagonal.resize(n - 1);
  Matrix w(n, kPanel);
  auto at = [&](lapack_int row, lapack_int col) { return a + row + Index{col} * n; };
  lapack_int i = 0;
  while (n - i > kCrossover) {
    throwIfCancelled(progress);
    const lapack_int nb = panelWidth(n - i);
    lapackDlatrd(n - i, nb, at(i, i), n, t.offDiagonal.data() + i, t.tau.data() + i, w.data(), n);
    blasSyr2kLowerMinus(n - i - nb, nb, at(i + nb, i), n, w.data() + nb, n, at(i + nb, i + nb), n);
    for (lapack_int j = i; j < i + nb; ++j) {
      *at(j + 1, j) = t.offDiagonal(j);
      t.diagonal(j) = *at(j, j);
    }
    i += nb;
  }
  throwIfCancelled(progress);
  const lapack_int info = lapackDsytd2(n - i, at(i, i), n, t.diagonal.data() + i,
                                       t.offDiagonal.data() + i, t.tau.data() + i);
  if (info != 0) {
    throw Error("the eigen-decomposition failed (LAPACK dsytd2, info " + std::to_string(info) +
                ")");
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

// z := Q z by LAPACK's blocked reflectors (dormqr), a chunk of reflectors
// and of columns at a time, the last reflectors first.
void turnBack(Tridiagonal& t, const Progress* progress, Matrix& z) {
  const Index n = t.reflectors.rows();
  const Index columns = z.cols();
  for (Index end = n - 1; end > 0;) {
    const Index start = std::max<Index>(0, end - kBackReflectors);
    const Index rows = n - 1 - start;
    const double perColumn = 4.0 * static_cast<double>(rows) * static_cast<double>(end - start);
    const Index width = std::clamp<Index>(static_cast<Index>(kBackWork / perColumn), 32, columns);
    for (Index c0 = 0; c0 < columns; c0 += width) {
      throwIfCancelled(progress);
      const lapack_int info = lapackDormqrLeft(
          static_cast<lapack_int>(rows), static_cast<lapack_int>(std::min(width, columns - c0)),
          static_cast<lapack_int>(end - start), &t.reflectors(start + 1, start),
          static_cast<lapack_int>(n), t.tau.data() + start, &z(start + 1, c0),
          static_cast<lapack_int>(z.rows()));
      if (info != 0) {
        throw Error("the eigen-decomposition failed (LAPACK dormqr, info " + std::to_string(info) +
                    ")");
      }
    }
    end = start;
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
