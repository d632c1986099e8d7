// Eigen-decomposition of a large symmetric matrix in steps short enough to
// look for a cancel request between them: a decomposition of thousands of
// rows in one call runs for minutes that nobody can interrupt.
//
// The steps: LAPACK's blocked Householder reduction to tridiagonal form,
// a panel of columns at a time; the eigenpairs asked for of the tridiagonal
// form by LAPACK's MRRR (dstemr), whose O(n²) work for all of them is the
// one step that runs whole (a fraction of a second on a few thousand rows);
// and the reflectors applied back to the eigenvectors, a chunk of
// reflectors and columns at a time. Every other step takes a small share
// of a second on matrices of a few thousand rows.
//
// Small matrices keep Eigen's solver in one piece (their results are those
// every pinned text holds); the callers switch at kStepwiseSize rows.
#pragma once

#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

// From this many rows a decomposition goes in steps.
inline constexpr Index kStepwiseSize = 200;

struct EigenPairs {
  Vector values;   // ascending
  Matrix vectors;  // n × values.size(), column j the unit eigenvector of values(j)
};

// symmetric: n × n, lower triangle read, finite. count 0: every eigenpair;
// otherwise the `count` largest (1 <= count <= n), still ascending. Throws
// Cancelled when `progress` (may be null) asks to stop, vexmoor::Error when
// LAPACK fails.
// Taken by value: a caller done with the matrix moves it in, and the work
// happens in its storage.
EigenPairs stepwiseEigen(Matrix symmetric, Index count, const Progress* progress);

}  // namespace vexmoor
