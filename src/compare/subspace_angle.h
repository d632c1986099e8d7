// Comparison of the principal-component subspaces of two samples measured on
// the same p variables: the angle between the subspaces spanned by the
// leading k principal components of each, and Krzanowski's metric.
//
// Both statistics rest on the principal angles θ1 ... θk between the two
// k-dimensional subspaces. They are computed from the cosines (singular
// values of B1ᵀB2) and the sines (singular values of B2 - B1B1ᵀB2) together,
// which keeps small and near-right angles accurate; this equals the
// projector-difference and eigenvalue definitions of the statistics.
#pragma once

#include "runtime/host.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

struct MezeyAngle {
  double angle;         // sqrt(sum θi²), degrees
  double maxAngle;      // 90 · sqrt(min(k, p - k)): the largest possible angle
  double runtimeAngle;  // the largest principal angle, degrees
};

struct KrzanowskiAngle {
  double angle;         // sqrt(sum θi²), radians
  double metric;        // sum cos² θi, between 0 and k
  double runtimeAngle;  // the largest principal angle, degrees
};

struct SubspaceComparison {
  MezeyAngle mezey;
  KrzanowskiAngle krzanowski;
};

// Principal angles (radians, ascending) between the column spaces of two
// p × k matrices with orthonormal columns.
Vector principalAngles(const Matrix& basis1, const Matrix& basis2);

// From two p × p matrices of principal axes (columns by decreasing
// variance, as PrincipalAxes gives them): both statistics for the leading
// k axes.
SubspaceComparison compareSubspaces(const Matrix& axes1, const Matrix& axes2, int k);

// Both statistics for the samples x1 and x2 (checked as mezeyangle checks
// them, without its console lines): one decomposition per sample, by
// leadingPrincipalAxes, which looks for a cancel request on large ones.
SubspaceComparison compareSamples(const Matrix& x1, const Matrix& x2, int k, Host& host,
                                  const Progress* progress = nullptr);

// x1: N1 × p, x2: N2 × p, one specimen per row. k must be a whole number
// 1 <= k <= p. Unequal p: the message "Unequal numbers of variables in data
// input to mezeyangle" goes to host.messageBox, then vexmoor::Error.
// mezeyangle writes two diagnostics to the console: `ans` (minus the
// largest principal angle, in degrees) and `y3`.
MezeyAngle mezeyangle(const Matrix& x1, const Matrix& x2, int k, Host& host = silentHost());
KrzanowskiAngle krzanangle(const Matrix& x1, const Matrix& x2, int k, Host& host = silentHost());

// The same checks as the statistics make: equal variable counts (with the
// message box), 1 <= k <= p.
void checkSubspaceInputs(Index p1, Index p2, int k, Host& host);

// The console lines mezeyangle writes for a comparison.
void displayMezeyDiagnostics(Host& host, const MezeyAngle& a);

}  // namespace vexmoor
