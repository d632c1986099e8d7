// The eigen-decomposition of a thin-plate spline's bending-energy matrix
// for references of many landmarks, without inverting the spline matrix.
//
// With the spline matrix [K P; Pᵀ 0] (K the k × k kernel, P = [1, the
// coordinates], k × c), the bending energy (the upper-left block of its
// inverse) is Q₂ (Q₂ᵀ K Q₂)⁻¹ Q₂ᵀ, Q₂ an orthonormal basis of the
// complement of P's columns: its eigenvectors are Q₂ times those of
// M = Q₂ᵀ K Q₂ with the eigenvalues inverted, and the c columns of P span
// its null space. So one decomposition of M, in steps that look for a
// cancel request, stands in for an inverse and a decomposition of the
// whole matrix in one piece. The callers take this route from
// kStepwiseSize landmarks on; below, their pinned results stay those of
// the inverse.
#pragma once

#include <string>

#include "runtime/matrix.h"
#include "runtime/progress.h"
#include "shape/eigenvector_signs.h"

namespace vexmoor {

// kernel: k × k symmetric; affine: k × c (c < k). Eigenvalues ascending,
// the c zero ones exactly 0, eigenvectors with the signs of
// fixEigenvectorSigns. Throws vexmoor::Error with `singular` when P's
// columns are dependent or M is singular (to rounding), Cancelled when
// `progress` (may be null) asks to stop.
// `kernel` is taken by value: a caller done with it moves it in, which
// spares a copy of k² values on thousands of landmarks.
SymmetricEigen bendingEnergyEigen(Matrix kernel, const Matrix& affine, const std::string& singular,
                                  const Progress* progress);

}  // namespace vexmoor
