// Two-dimensional shape variables: scores on the non-affine principal warps
// of a thin-plate spline fitted to the reference (partial warps), then the
// two uniform components, then the specimen's trailing value.
#pragma once

#include <cmath>
#include <optional>
#include <utility>

#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

// Thin-plate-spline kernel of two points (1 × 2 each): r² ln r², 0 at r = 0.
double uspline(const RowVector& x1, const RowVector& x2);
// The same kernel of the squared distance r² itself.
inline double splineKernel(double r2) {
  return r2 == 0 ? 0.0 : r2 * std::log(r2);
}

// The (k + 3) × (k + 3) spline matrix [P Q; Qᵀ 0] of a 2 × k landmark table.
// Throws Cancelled when `progress` (may be null) asks to stop.
Matrix gettspl(const Matrix& x, const Progress* progress = nullptr);

// From the spline matrix L: k × 2k, the unit eigenvectors of the bending
// energy matrix (upper-left k × k block of L⁻¹) in columns 1 ... k, then the
// diagonal matrix of their eigenvalues made non-negative (a negative one's
// vector is negated); both sorted by decreasing eigenvalue with an exchange
// sort, whose exchanges may reverse tied eigenvalues. Throws
// vexmoor::Error when L is singular (coincident or collinear landmarks).
// From kStepwiseSize landmarks on the decomposition comes without the
// inverse (bendingEnergyEigen), in steps that look for a cancel request
// (Cancelled when `progress`, which may be null, asks to stop).
Matrix gettpse(const Matrix& L, const Progress* progress = nullptr);

// (alpha, gamma): the sums of the squared x and of the squared y
// coordinates of a reference row (positions 1 ... n - 1).
RowVector uniparmproc(const RowVector& yref);

// The 2 × 2k rows that give a specimen row's two uniform scores from its
// first 2k values, for the first k landmarks of the reference row. Throws
// vexmoor::Error when the reference has no spread along x or y.
Matrix uniformComponents2D(const RowVector& xref, Index k);

// Scores of one specimen row x (2k + 1 values) given the warps Le of
// gettpse and the reference row: (k - 2) × 2, rows 1 ... k - 3 the x and y
// scores on each principal warp, the last row the two uniform scores.
Matrix scpcoeffpca(const Matrix& Le, const RowVector& x, const RowVector& xref);

// The first two landmarks (1-based, i < j) of a reference row (2k + 1
// values) that stand at one point, or nullopt when all stand apart.
std::optional<std::pair<Index, Index>> coincidingLandmarks(const RowVector& xref);

// xref: the reference row (2k + 1 values, from getconsensuspca); x: N × (2k + 1)
// specimens superimposed on it. Returns N × (2k - 3): per principal warp j
// the x and y score in columns 2j - 1 and 2j, the two uniform scores in
// 2k - 5 and 2k - 4, and the trailing value in column 2k - 3. Needs k >= 3;
// throws vexmoor::Error otherwise.
Matrix getpwpca(const RowVector& xref, const Matrix& x);

// getpwpca with the warps Le = gettpse(gettspl(vertxy(xref))) computed
// once for several groups.
Matrix getpwpca(const RowVector& xref, const Matrix& x, const Matrix& Le);
// The warps of a reference row, as getpwpca computes them; throws
// vexmoor::Error as getpwpca does, Cancelled as gettpse does.
Matrix referenceWarps(const RowVector& xref, const Progress* progress = nullptr);

}  // namespace vexmoor
