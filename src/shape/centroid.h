// Specimen layouts, centroid position and centroid size.
//
// A two-dimensional specimen row holds x1 y1 x2 y2 ... xk yk and, in a
// landmark data matrix, one trailing value behind them that is never read as
// a coordinate. A three-dimensional row holds x1 y1 z1 x2 y2 z2 ...
#pragma once

#include "runtime/landmark_array.h"
#include "runtime/matrix.h"

namespace vexmoor {

// Mean x and mean y (1 × 2) of the floor(L/2) landmarks of a row of L
// values; a trailing odd value is not read.
RowVector centpos(const RowVector& x);

// Centroid size of every row of an N × M matrix of two-dimensional specimen
// rows: N × 1. Only the first floor(M/2) landmarks count.
Vector centsize(const Matrix& x);

// Centroid size of one specimen given as k × d (landmarks in rows).
double centsize3Da(const Matrix& x);

// One two-dimensional specimen row to its 2 × K landmark table (row 1 the
// x, row 2 the y coordinates); a trailing odd value is dropped.
Matrix vertxy(const RowVector& x);

// N three-dimensional specimen rows of M values to a K × 3 × N landmark
// array, K = floor(M/3); values behind the last full triple are dropped.
LandmarkArray vertxy3D(const Matrix& x);

}  // namespace vexmoor
