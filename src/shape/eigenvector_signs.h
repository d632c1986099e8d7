// One sign for every eigenvector that reaches the shape variables.
//
// An eigenvector is defined up to its sign, and linear-algebra libraries
// (and their versions) differ in the sign they deliver. The sign of a
// bending-energy eigenvector fixes the sign of its score columns; angles,
// Krzanowski's metric and the CPC models do not depend on it, but the
// random shuffle test draws variables independently in each group, so its
// replicates do. With this convention a seeded run gives the same text
// whichever library computed the decomposition.
#pragma once

#include <Eigen/Eigenvalues>

#include "runtime/matrix.h"

namespace vexmoor {

// Makes the entry of largest magnitude of every column positive; among
// entries whose magnitudes lie within a relative 1e-12 of the largest, the
// first counts. A zero column stays as it is.
void fixEigenvectorSigns(Matrix& vectors);

// The eigen-decomposition of a symmetric matrix as the shape variables use
// it: eigenvalues ascending, eigenvectors (columns) with fixed signs.
struct SymmetricEigen {
  Vector values;
  Matrix vectors;
};
SymmetricEigen symmetricEigen(const Matrix& symmetric);

// Test seam: a change applied to the raw eigenvectors of symmetricEigen
// before the convention, standing in for a library that delivers other
// signs. Null (the default) changes nothing. Returns the previous one.
using RawEigenvectorChange = void (*)(Matrix& vectors);
RawEigenvectorChange setRawEigenvectorChange(RawEigenvectorChange change);

}  // namespace vexmoor
