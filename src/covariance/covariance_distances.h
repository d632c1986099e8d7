// How far apart k groups' covariance matrices are: the Riemannian distances
// between them (optionally the log-Euclidean ones too), their
// principal-coordinate ordination, and a permutation test for each pair.
#pragma once

#include <string>
#include <vector>

#include "covariance/covariance_input.h"
#include "covariance/covariance_resampling.h"
#include "covariance/principal_coordinates.h"
#include "runtime/matrix.h"

namespace vexmoor {

// The permutation test of one pair: the specimens of both groups dealt out
// to them again at random (sizes kept, within sub-groups of one name), the
// distance computed anew each time.
struct DistanceTest {
  size_t first = 0, second = 1;
  double observed = 0;
  double p = 0;         // (1 + replicates at least the observed) / (N + 1)
  Index undefined = 0;  // replicates with a singular matrix (NaN, never counted)
};

struct CovarianceDistances {
  VariableReduction reduction;
  std::vector<std::string> labels;
  std::vector<std::string> sizes;  // groupSizeText of each group
  Index variables = 0;
  Matrix riemannian;                // k × k, symmetric, zero diagonal
  Matrix logEuclidean;              // k × k when asked for, else empty
  PrincipalCoordinates ordination;  // of the squared Riemannian distances
  // With resampling: one test per pair in table order, and the replicates
  // (N × pairs, replicate order, column j the pair tests[j]).
  Index replicates = 0;
  std::vector<DistanceTest> tests;
  Matrix values;
  // k × k of the pairs' p-values, NaN on the diagonal; empty without
  // resampling.
  Matrix pValues;
};

struct DistanceOptions {
  bool logEuclidean = false;
  CovarianceResampling resampling;
};

// Throws vexmoor::Error as requireInvertibleCovariances does; Cancelled
// when the progress asks (between pairs and between replicates).
CovarianceDistances covarianceDistances(const CovarianceInput& in,
                                        const DistanceOptions& options = {});

}  // namespace vexmoor
