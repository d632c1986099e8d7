// Three-dimensional shape variables: each specimen's departure from the
// reference projected on the non-affine principal warps of a thin-plate
// spline with the distance kernel (three columns per warp: x, y and z
// differences) and on five orthonormal uniform components (three shears,
// two stretches).
#pragma once

#include <vector>

#include "runtime/landmark_array.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

struct Lmatrix3D {
  Matrix a;   // k × k unit eigenvectors of the bending-energy matrix
  Vector b;   // their k eigenvalues, ascending (largest bending energy first)
  Matrix s1;  // 3k × 5 uniform basis: three shears, then two stretches
  // The columns of `a` that are warps (k − 4 of them, ascending).
  std::vector<Index> warps;
};

// The 3k × (3(k - 4) + 5) score basis of a reference: warp triples (warp w
// of `l.warps` as column 3w + axis, its eigenvector in that axis's block of
// k rows), then s1. Of size (3k)²: only for small references and for the
// operation that hands it out; the scores and maps use its structure.
Matrix scoreBasis(const Lmatrix3D& l);

// The scores of landmark differences on the basis, without forming it:
// `differences` holds one k × 3 difference per specimen side by side
// (k × 3N); returns N × (3(k - 4) + 5). Cancelled when `progress` asks.
Matrix scoresOnBasis(const Lmatrix3D& l, const Matrix& differences,
                     const Progress* progress = nullptr);

// The score basis of a k × 3 reference (landmarks in rows; in use centred,
// of unit centroid size and in principal axes, where s1 is orthonormal).
//
// The bending-energy matrix has exactly four zero eigenvalues (its null
// space holds the constant and the three coordinates); in floating point
// they come out near zero with either sign and a size that depends on the
// scale of the reference. The four of smallest magnitude are dropped, so the
// basis always has 3(k - 4) warp columns, kept in ascending eigenvalue order.
//
// Throws vexmoor::Error when the reference does not have 3 columns, has
// fewer than five landmarks, holds non-finite values, has two coinciding
// landmarks, or has its landmarks in one plane (the spline then has no
// solution). From kStepwiseSize landmarks on the decomposition comes
// without the inverse (bendingEnergyEigen); Cancelled when `progress` (may
// be null) asks to stop.
Lmatrix3D lmatrix3da(const Matrix& x, const Progress* progress = nullptr);

// ref: k × 3 reference; data: k × 3 × N specimens superimposed on it.
// Returns N × (3k - 7): row i the scores of specimen i's stacked difference
// from ref (the k x differences, then y, then z) on lmatrix3da(ref).af.
// No trailing column. Throws vexmoor::Error as lmatrix3da does, and when
// data does not have ref's landmarks and axes.
Matrix getpw3d(const Matrix& ref, const LandmarkArray& data, const Progress* progress = nullptr);
// The same on a basis already decomposed: basis = lmatrix3da(ref).
Matrix getpw3d(const Lmatrix3D& basis, const Matrix& ref, const LandmarkArray& data,
               const Progress* progress = nullptr);

}  // namespace vexmoor
