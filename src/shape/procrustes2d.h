// Two-dimensional Procrustes superimposition of specimen rows onto a
// reference (one pass; the reference is never updated).
#pragma once

#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

// Centres each row of `x` on its centroid position and divides its
// coordinates by its centroid size. With m columns only positions
// 1 ... m - 1 are coordinates; a trailing column m stays as it is.
// Throws vexmoor::Error naming the specimen (1-based) whose centroid size
// is 0 (all its landmarks coincide): it has no shape to scale.
void normaliseSpecimens(Matrix& x);

// Rotates every row of `x` about the origin by the angle that fits it best,
// in the least-squares sense, to `xref` (the same layout, centred; only
// positions 1 ... m - 1 are read). No reflection. Rows with no preferred
// angle (ct = st = 0) keep theta = 0. Cancelled, between rows, when
// `progress` (may be null) asks to stop.
void rotateOntoReference(Matrix& x, const RowVector& xref, const Progress* progress = nullptr);

// x: N × m specimen rows (m = 2k + 1, last column the trailing value);
// xref: the centred reference row. Returns the rows centred, scaled to unit
// centroid size and rotated onto xref; column m is copied unchanged.
Matrix getpsup(const Matrix& x, const RowVector& xref);

}  // namespace vexmoor
