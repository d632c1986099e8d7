#include "shape/partial_warps2d.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "runtime/stepwise_eigen.h"
#include "shape/bending_energy.h"
#include "shape/centroid.h"
#include "shape/eigenvector_signs.h"

namespace vexmoor {

double uspline(const RowVector& x1, const RowVector& x2) {
  return splineKernel((x2 - x1).squaredNorm());
}

Matrix gettspl(const Matrix& x, const Progress* progress) {
  Index k = x.cols();
  Matrix L = Matrix::Zero(k + 3, k + 3);
  for (Index i = 0; i < k; ++i) {
    throwIfCancelled(progress);
    for (Index j = i + 1; j < k; ++j) {
      L(i, j) = L(j, i) = uspline(x.col(i).transpose(), x.col(j).transpose());
    }
    L(i, k) = L(k, i) = 1.0;
    L(i, k + 1) = L(k + 1, i) = x(0, i);
    L(i, k + 2) = L(k + 2, i) = x(1, i);
  }
  return L;
}

namespace {

const char* const kSingularSpline =
    "the thin-plate spline of the reference is singular: its landmarks coincide or lie on one "
    "line";

SymmetricEigen bendingEigen(const Matrix& L, const Progress* progress) {
  Index k = L.rows() - 3;
  if (k >= kStepwiseSize) {
    return bendingEnergyEigen(L.topLeftCorner(k, k), L.topRightCorner(k, 3), kSingularSpline,
                              progress);
  }
  Eigen::FullPivLU<Matrix> lu(L);
  if (!lu.isInvertible()) {
    throw Error(kSingularSpline);
  }
  Matrix T = lu.inverse();
  Matrix bending = T.topLeftCorner(k, k);
  // L is symmetric, so its inverse is too up to rounding.
  bending = 0.5 * (bending + bending.transpose()).eval();
  return symmetricEigen(bending);
}

}  // namespace

Matrix gettpse(const Matrix& L, const Progress* progress) {
  Index n = L.rows();
  Index k = n - 3;
  SymmetricEigen eig = bendingEigen(L, progress);
  Matrix V = std::move(eig.vectors);
  Vector d = std::move(eig.values);
  for (Index i = 0; i < k; ++i) {
    if (d(i) < 0) {
      d(i) = -d(i);
      V.col(i) = -V.col(i);
    }
  }
  // An exchange sort, not a stable one: the order of equal eigenvalues
  // follows from these exchanges and fixes the order of the score columns.
  for (Index i = 0; i + 1 < k; ++i) {
    for (Index j = i + 1; j < k; ++j) {
      if (d(j) > d(i)) {
        std::swap(d(i), d(j));
        V.col(i).swap(V.col(j));
      }
    }
  }
  // The sign step above may have turned a column against the convention.
  fixEigenvectorSigns(V);
  Matrix Le(k, 2 * k);
  Le << V, Matrix(d.asDiagonal());
  return Le;
}

RowVector uniparmproc(const RowVector& yref) {
  RowVector ag = RowVector::Zero(2);
  Index n = yref.size();
  for (Index p = 0; p + 1 < n; p += 2) {
    ag(0) += yref(p) * yref(p);
  }
  for (Index p = 1; p + 1 < n; p += 2) {
    ag(1) += yref(p) * yref(p);
  }
  return ag;
}

Matrix uniformComponents2D(const RowVector& xref, Index k) {
  RowVector ag = uniparmproc(xref);
  double alpha = ag(0), gamma = ag(1);
  if (!(alpha > 0) || !(gamma > 0)) {
    throw Error("the reference has no spread along one axis, so it has no uniform components");
  }
  double a = std::sqrt(alpha / gamma), g = std::sqrt(gamma / alpha);
  Matrix unim(2, 2 * k);
  for (Index i = 0; i < k; ++i) {
    double xr = xref(2 * i), yr = xref(2 * i + 1);
    unim(0, 2 * i) = yr * a;
    unim(0, 2 * i + 1) = xr * g;
    unim(1, 2 * i) = -xr * g;
    unim(1, 2 * i + 1) = yr * a;
  }
  return unim;
}

Matrix scpcoeffpca(const Matrix& Le, const RowVector& x, const RowVector& xref) {
  Index n = x.size();
  Index k = (n - 1) / 2;
  // A view: with thousands of landmarks a copy per specimen would cost more
  // than its scores.
  const auto warps = Le.leftCols(Le.cols() / 2);
  Matrix v = vertxy(x.head(n - 1));
  Matrix y = warps.transpose() * v.transpose();  // k × 2

  Vector xc = uniformComponents2D(xref, k) * x.head(n - 1).transpose();

  Matrix yf(k - 2, 2);
  yf.topRows(k - 3) = y.topRows(k - 3);
  yf.row(k - 3) = xc.transpose();
  return yf;
}

std::optional<std::pair<Index, Index>> coincidingLandmarks(const RowVector& xref) {
  Index k = (xref.size() - 1) / 2;
  std::vector<Index> order(static_cast<size_t>(k));
  std::iota(order.begin(), order.end(), Index{0});
  auto point = [&](Index i) { return std::pair(xref(2 * i), xref(2 * i + 1)); };
  std::sort(order.begin(), order.end(), [&](Index a, Index b) {
    return point(a) < point(b) || (point(a) == point(b) && a < b);
  });
  std::optional<std::pair<Index, Index>> first;
  for (size_t i = 1; i < order.size(); ++i) {
    if (point(order[i - 1]) == point(order[i])) {
      std::pair<Index, Index> p(order[i - 1] + 1, order[i] + 1);
      if (!first || p < *first) {
        first = p;
      }
    }
  }
  return first;
}

Matrix referenceWarps(const RowVector& xref, const Progress* progress) {
  Index k = (xref.size() - 1) / 2;
  if (k < 3) {
    throw Error("partial warps need at least 3 landmarks; the specimens have " + std::to_string(k));
  }
  return gettpse(gettspl(vertxy(xref), progress), progress);
}

Matrix getpwpca(const RowVector& xref, const Matrix& x) {
  Index n = x.cols();
  Index k = (n - 1) / 2;
  if (k < 3) {
    throw Error("partial warps need at least 3 landmarks; the specimens have " + std::to_string(k));
  }
  return getpwpca(xref, x, referenceWarps(xref));
}

Matrix getpwpca(const RowVector& xref, const Matrix& x, const Matrix& Le) {
  Index n = x.cols();
  Index k = (n - 1) / 2;
  Matrix y(x.rows(), n - 4);
  for (Index i = 0; i < x.rows(); ++i) {
    Matrix scores = scpcoeffpca(Le, x.row(i), xref);
    for (Index j = 0; j < k - 2; ++j) {
      y(i, 2 * j) = scores(j, 0);
      y(i, 2 * j + 1) = scores(j, 1);
    }
    y(i, n - 5) = x(i, n - 1);
  }
  return y;
}

}  // namespace vexmoor
