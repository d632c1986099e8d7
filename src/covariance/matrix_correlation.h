// The element-by-element similarity of two covariance matrices: the
// Pearson correlation of their off-diagonal elements (the diagonal too, as
// an option), with a Mantel-type permutation test that reorders the
// variables of one matrix, rows and columns together. Landmark coordinates
// are reordered a landmark at a time (all its coordinates together), since
// a landmark's coordinates are not exchangeable with another's one by one.
#pragma once

#include <string>
#include <vector>

#include "covariance/covariance_input.h"
#include "covariance/covariance_resampling.h"
#include "runtime/matrix.h"

namespace vexmoor {

enum class PermutedUnits { kVariables, kLandmarks };

struct CorrelationPair {
  size_t first = 0, second = 1;
  double correlation = 0;
  // (1 + permutations whose correlation is at least the observed) / (N + 1);
  // NaN without permutations.
  double p = 0;
  Vector permutedCorrelations;  // N, in replicate order
};

struct MatrixCorrelation {
  VariableReduction reduction;
  std::vector<std::string> labels;
  Index variables = 0;
  bool diagonal = false;  // the diagonal elements were included
  PermutedUnits units = PermutedUnits::kVariables;
  int coordinatesPerUnit = 1;  // d for landmarks, 1 for variables
  Index elements = 0;          // the number of elements correlated
  Index replicates = 0;
  std::vector<CorrelationPair> pairs;  // table order
};

struct CorrelationOptions {
  bool diagonal = false;
  // The variables are landmark coordinates (x1 y1 [z1] x2 ...) of this
  // dimension, permuted a landmark at a time; 0: variables, one at a time.
  int landmarkDimension = 0;
  CovarianceResampling resampling;
};

// Throws vexmoor::Error when the elements cannot be correlated (fewer than
// two, or one matrix's elements all equal), when landmark coordinates are
// asked for on a variable count that is no multiple of the dimension or
// on reduced variables; Cancelled when the progress asks.
MatrixCorrelation matrixCorrelation(const CovarianceInput& in,
                                    const CorrelationOptions& options = {});

// The chosen elements of a symmetric matrix as a vector: the lower
// triangle below the diagonal, column by column (with the diagonal when
// asked).
Vector matrixElements(const Matrix& s, bool diagonal);

}  // namespace vexmoor
