#include "shape/centroid.h"

#include <cmath>

namespace vexmoor {

RowVector centpos(const RowVector& x) {
  Index k = x.size() / 2;
  RowVector c = RowVector::Zero(2);
  for (Index j = 0; j < k; ++j) {
    c(0) += x(2 * j);
    c(1) += x(2 * j + 1);
  }
  return c / static_cast<double>(k);
}

Vector centsize(const Matrix& x) {
  Index k = x.cols() / 2;
  Vector sizes(x.rows());
  for (Index i = 0; i < x.rows(); ++i) {
    RowVector row = x.row(i);
    RowVector cp = centpos(row);
    double sum = 0;
    for (Index j = 0; j < k; ++j) {
      double dx = row(2 * j) - cp(0);
      double dy = row(2 * j + 1) - cp(1);
      sum += dx * dx + dy * dy;
    }
    sizes(i) = std::sqrt(sum);
  }
  return sizes;
}

double centsize3Da(const Matrix& x) {
  Matrix centred = x.rowwise() - x.colwise().mean();
  return std::sqrt(centred.squaredNorm());
}

Matrix vertxy(const RowVector& x) {
  Index k = x.size() / 2;
  Matrix table(2, k);
  for (Index i = 0; i < k; ++i) {
    table(0, i) = x(2 * i);
    table(1, i) = x(2 * i + 1);
  }
  return table;
}

LandmarkArray vertxy3D(const Matrix& x) {
  Index k = x.cols() / 3;
  LandmarkArray a(k, 3, x.rows());
  for (Index i = 0; i < x.rows(); ++i) {
    for (Index j = 0; j < k; ++j) {
      for (Index axis = 0; axis < 3; ++axis) {
        a(j, axis, i) = x(i, 3 * j + axis);
      }
    }
  }
  return a;
}

}  // namespace vexmoor
