// Principal-coordinate ordination (classical scaling) of a matrix of
// squared distances.
#pragma once

#include "runtime/matrix.h"

namespace vexmoor {

// The double-centred matrix B = −½·J·D²·J (J = I − 11ᵀ/k) of k objects
// decomposed on the k − 1 directions orthogonal to the constant vector,
// whose eigenvalue is always 0.
struct PrincipalCoordinates {
  Vector eigenvalues;  // k − 1, descending; negative where the distances are not Euclidean
  // Each eigenvalue over their sum, trace B = Σ_{i<j} d²ᵢⱼ / k: the share
  // of the summed squared distances it holds. A negative eigenvalue has a
  // negative share; the cumulative shares end at 1 (all shares are 0 when
  // every distance is).
  Vector shares;
  Vector cumulativeShares;
  // k × (the number of positive eigenvalues): the objects' coordinates,
  // column j scaled to √eigenvalue j, its largest-magnitude entry positive.
  Matrix coordinates;
};

// squared: k × k, symmetric, zero diagonal, k >= 2.
PrincipalCoordinates principalCoordinates(const Matrix& squared);

}  // namespace vexmoor
