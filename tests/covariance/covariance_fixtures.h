// Random groups and matrices for the covariance analyses' tests, and the
// partial-warp scores that a landmark displacement gives, computed by the
// transform itself.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "covariance/covariance_input.h"
#include "shape/partial_warps2d.h"

namespace vexmoor::testing {

// n × p normal deviates, column j scaled by 1 + j and all columns mixed
// by a random matrix: a sample with an unremarkable covariance matrix.
inline Matrix randomSample(std::mt19937& gen, Index n, Index p) {
  std::normal_distribution<double> normal;
  Matrix x(n, p), mix(p, p);
  for (Index i = 0; i < n; ++i) {
    for (Index j = 0; j < p; ++j) {
      x(i, j) = (1.0 + double(j)) * normal(gen);
    }
  }
  for (Index i = 0; i < p * p; ++i) {
    mix(i) = normal(gen);
  }
  return x * mix;
}

inline Matrix randomSpd(std::mt19937& gen, Index p) {
  Matrix x = randomSample(gen, 3 * p, p);
  return x.transpose() * x / double(3 * p);
}

// Groups "A", "B", ... of the given sizes.
inline std::vector<CovarianceGroup> randomGroups(std::mt19937& gen, std::vector<Index> sizes,
                                                 Index p) {
  std::vector<CovarianceGroup> groups;
  for (size_t g = 0; g < sizes.size(); ++g) {
    groups.push_back({std::string(1, char('A' + g)), randomSample(gen, sizes[g], p), {}});
  }
  return groups;
}

inline CovarianceInput unreduced(std::vector<CovarianceGroup> groups) {
  return prepareCovarianceInput(groups, {});
}

// The change of the first p partial-warp scores on `consensus` (k × 2)
// when it is displaced by `delta` (k × 2).
inline Vector partialWarpChange(const Matrix& consensus, const Matrix& delta, Index p) {
  const Index k = consensus.rows();
  Matrix rows(2, 2 * k + 1);
  rows.row(0) << (consensus + delta).reshaped<Eigen::RowMajor>().transpose(), 0.0;
  rows.row(1) << consensus.reshaped<Eigen::RowMajor>().transpose(), 0.0;
  const RowVector ref = rows.row(1);
  const Matrix s = getpwpca(ref, rows);
  return (s.row(0) - s.row(1)).head(p).transpose();
}

}  // namespace vexmoor::testing
