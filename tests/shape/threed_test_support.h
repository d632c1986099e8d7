// Shapes and turns for the three-dimensional tests.
#pragma once

#include <random>

#include "runtime/matrix.h"

namespace vexmoor::testing {

// Uniform on [-1, 1) from the raw generator output, so the values do not
// depend on the standard library's distributions.
inline double uniform(std::mt19937& gen) {
  return 2.0 * static_cast<double>(gen()) / 4294967296.0 - 1.0;
}

// k × 3 landmarks scattered in a box of half-widths 3, 2 and 1 (distinct
// principal axes).
inline Matrix randomShape(std::mt19937& gen, Index k) {
  Matrix x(k, 3);
  for (Index i = 0; i < k; ++i) {
    x(i, 0) = 3 * uniform(gen);
    x(i, 1) = 2 * uniform(gen);
    x(i, 2) = uniform(gen);
  }
  return x;
}

// The proper rotation by `angle` about `axis`, as a right factor.
inline Matrix rotation(double angle, const Eigen::Vector3d& axis) {
  return Eigen::AngleAxisd(angle, axis.normalized()).toRotationMatrix();
}

// Centred on its column means and of unit centroid size.
inline Matrix normalised(const Matrix& x) {
  Matrix c = x.rowwise() - x.colwise().mean();
  return c / c.norm();
}

// Distances between every pair of landmarks (rows).
inline Matrix landmarkDistances(const Matrix& x) {
  Matrix d(x.rows(), x.rows());
  for (Index i = 0; i < x.rows(); ++i) {
    for (Index j = 0; j < x.rows(); ++j) {
      d(i, j) = (x.row(i) - x.row(j)).norm();
    }
  }
  return d;
}

}  // namespace vexmoor::testing
