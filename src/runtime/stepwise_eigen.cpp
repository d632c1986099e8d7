#include "runtime/stepwise_eigen.h"

#include <lapacke.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include <Eigen/Eigenvalues>

namespace vexmoor {
namespace {

// Eigenvalues found per call of the bisection, and eigenvectors at least
// per call of the inverse iteration: each call then costs a few
// milliseconds on thousands of rows.
constexpr lapack_int kChunk = 128;
// dstein keeps eigenvectors orthogonal whose eigenvalues lie within 1e-3
// of the norm; chunks end only at gaps well beyond that.
constexpr double kClusterGap = 1e-2;
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
Tridiagonal tridiagonalize(const Matrix& symmetric, const Progress* progress) {
  const Index n = symmetric.rows();
  Tridiagonal t;
  t.reflectors = symmetric;
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

struct Selected {
  std::vector<double> values;
  std::vector<lapack_int> blocks;
  std::vector<lapack_int> splits;
};

// Eigenvalues first ... last (1-based, ascending) by bisection, in chunks;
// within each block ascending, blocks in order, as dstein wants them.
bool bisect(const Tridiagonal& t, lapack_int first, lapack_int last, const Progress* progress,
            Selected& out) {
  const lapack_int n = static_cast<lapack_int>(t.diagonal.size());
  std::vector<double> w(static_cast<size_t>(n));
  std::vector<lapack_int> blocks(static_cast<size_t>(n)), splits(static_cast<size_t>(n));
  std::vector<std::pair<lapack_int, double>> found;
  for (lapack_int il = first; il <= last; il += kChunk) {
    throwIfCancelled(progress);
    lapack_int iu = std::min(last, il + kChunk - 1);
    lapack_int m = 0, nsplit = 0;
    lapack_int info = LAPACKE_dstebz(
        'I', 'B', n, 0.0, 0.0, il, iu, 2 * std::numeric_limits<double>::min(), t.diagonal.data(),
        t.offDiagonal.data(), &m, &nsplit, w.data(), blocks.data(), splits.data());
    if (info != 0) {
      return false;
    }
    for (lapack_int i = 0; i < m; ++i) {
      found.emplace_back(blocks[static_cast<size_t>(i)], w[static_cast<size_t>(i)]);
    }
    out.splits = splits;
  }
  std::stable_sort(found.begin(), found.end());
  for (const auto& [block, value] : found) {
    out.blocks.push_back(block);
    out.values.push_back(value);
  }
  return true;
}

// Eigenvectors of the tridiagonal matrix for the selected eigenvalues, in
// chunks that end only between blocks or at a clear gap.
bool invert(const Tridiagonal& t, const Selected& s, const Progress* progress, Matrix& z) {
  const lapack_int n = static_cast<lapack_int>(t.diagonal.size());
  const lapack_int count = static_cast<lapack_int>(s.values.size());
  double norm = 0;
  for (lapack_int i = 0; i < n; ++i) {
    double column = std::abs(t.diagonal(i)) + (i > 0 ? std::abs(t.offDiagonal(i - 1)) : 0.0) +
                    (i + 1 < n ? std::abs(t.offDiagonal(i)) : 0.0);
    norm = std::max(norm, column);
  }
  z.resize(n, count);
  std::vector<lapack_int> failed(static_cast<size_t>(count));
  lapack_int start = 0;
  while (start < count) {
    throwIfCancelled(progress);
    lapack_int end = std::min(count, start + kChunk);
    while (end < count &&
           s.blocks[static_cast<size_t>(end)] == s.blocks[static_cast<size_t>(end - 1)] &&
           s.values[static_cast<size_t>(end)] - s.values[static_cast<size_t>(end - 1)] <=
               kClusterGap * norm) {
      ++end;
    }
    lapack_int info = LAPACKE_dstein(LAPACK_COL_MAJOR, n, t.diagonal.data(), t.offDiagonal.data(),
                                     end - start, s.values.data() + start, s.blocks.data() + start,
                                     s.splits.data(), z.col(start).data(), n, failed.data());
    if (info != 0) {
      return false;
    }
    start = end;
  }
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

EigenPairs stepwiseEigen(const Matrix& symmetric, Index count, const Progress* progress) {
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
  Tridiagonal t = tridiagonalize(symmetric / scale, progress);
  const lapack_int size = static_cast<lapack_int>(n);
  const lapack_int first = count == 0 ? 1 : size - static_cast<lapack_int>(count) + 1;
  Selected selected;
  Matrix z;
  if (!bisect(t, first, size, progress, selected) || !invert(t, selected, progress, z)) {
    // LAPACK gave up (it does not on finite matrices): the slow way.
    return inOnePiece(symmetric, count);
  }
  // Ascending over the blocks as well.
  std::vector<Index> order(selected.values.size());
  std::iota(order.begin(), order.end(), Index{0});
  std::stable_sort(order.begin(), order.end(), [&](Index a, Index b) {
    return selected.values[static_cast<size_t>(a)] < selected.values[static_cast<size_t>(b)];
  });
  EigenPairs out;
  out.values.resize(static_cast<Index>(order.size()));
  out.vectors.resize(n, static_cast<Index>(order.size()));
  for (size_t i = 0; i < order.size(); ++i) {
    out.values(static_cast<Index>(i)) = selected.values[static_cast<size_t>(order[i])] * scale;
    out.vectors.col(static_cast<Index>(i)) = z.col(order[i]);
  }
  turnBack(t, progress, out.vectors);
  return out;
}

}  // namespace vexmoor
