// Common principal components of two covariance matrices by the F-G
// algorithm of Flury and Gautschi: one orthogonal matrix B whose columns
// diagonalise both matrices as nearly as possible, each group keeping its
// own variances along those common axes.
#pragma once

#include <string>
#include <vector>

#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

// Iteration bounds of the covariance models. The defaults are far above
// what real data need; they only stop a computation that cannot settle in
// floating point.
struct CpcLimits {
  int maxSweeps = 1000;                  // sweeps over all column pairs (flury_f)
  int maxRotationIterations = 1000;      // iterations of one 2 × 2 rotation (flury_g)
  int maxProportionalIterations = 1000;  // iterations of the proportional model (flury_pcm)
};

// One 2 × 2 rotation of the G step.
struct PairRotation {
  Eigen::Matrix2d q = Eigen::Matrix2d::Identity();  // proper rotation, angle in [-π/2, π/2]
  int iterations = 0;
  bool settled = true;  // the last iteration changed q by at most 1e-8
  // 1 or 2 when that group has zero variance along column zeroVarianceColumn
  // (1 or 2) of q: the step would divide by zero, so it stops there and q is
  // the rotation reached so far.
  int zeroVarianceGroup = 0;
  int zeroVarianceColumn = 0;
};

// The G step: the rotation q that brings the 2 × 2 blocks T1, T2 (weights
// n1, n2) closest to diagonal form, by the fixed-point iteration on the
// eigenvectors of the weighted matrix T. Of the two eigenvector directions
// the one with the smaller angle, taken in [-π/2, π/2], is tried first; this
// makes the result independent of the eigenvectors' signs.
PairRotation rotatePair(const Eigen::Matrix2d& T1, const Eigen::Matrix2d& T2, double n1, double n2,
                        int maxIterations = CpcLimits{}.maxRotationIterations);

// The G step for k groups: T = Σg ng·(dg1 − dg2)/(dg1·dg2)·Tg. blocks and
// weights have one entry per group; two groups give rotatePair's result.
PairRotation rotatePair(const std::vector<Eigen::Matrix2d>& blocks,
                        const std::vector<double>& weights,
                        int maxIterations = CpcLimits{}.maxRotationIterations);

// H'·A·H for H = [B(:,l) B(:,j)] from AB = A·B: the four dot products of
// those columns, bit for bit as Eigen's dot gives them, but read in one
// pass. The sweeps stop only when the criterion repeats exactly, so the
// order of every sum is part of the result.
Eigen::Matrix2d pairBlock(const Matrix& B, const Matrix& AB, Index l, Index j);

// flury_g: the rotation q of rotatePair. Throws vexmoor::Error naming the
// group and the column when a group has zero variance along a column of q.
Matrix flury_g(const Matrix& T1, const Matrix& T2, double n1, double n2);

struct CommonComponents {
  Matrix B;             // p × p orthogonal, columns by ascending Σg ng·λg
  Matrix s1est, s2est;  // B·diag(λg)·B', λg the diagonal of B'·Ag·B (groups 1 and 2)
  std::vector<Matrix> estimates;  // the same for every group, in input order
  double phi = 0;                 // Flury's criterion at the end, 0 when B diagonalises both
  int sweeps = 0;
  bool settled = true;         // false: stopped by maxSweeps, B is the last estimate
  int unsettledRotations = 0;  // rotations of the last sweep stopped by their bound
};

// flury_f: the F step. A1, A2: p × p covariance matrices; n1, n2: weights
// (the numbers of specimens). Sweeps over all column pairs, rotating each by
// the G step, until Flury's criterion φ changes by at most 1e-16 or the
// sweep bound is reached. Throws vexmoor::Error naming the variable and the
// group when a variable has zero variance in a group (p >= 2), or the group
// and the component when a group has zero variance along a common axis.
CommonComponents flury_f(const Matrix& A1, const Matrix& A2, double n1 = 1, double n2 = 1,
                         const CpcLimits& limits = {});

// flury_f for k >= 2 groups: A, n one entry per group (all p × p). The
// sweeps, the ordering and the errors are those of flury_f; two groups give
// its result exactly. Errors name groups by `labels` ("group g" when empty).
// After each sweep `progress` (may be null) hears the sweep count (of no
// known total) and φ's change; it may cancel (Cancelled) within a sweep.
CommonComponents fluryCommonComponents(const std::vector<Matrix>& A, const std::vector<double>& n,
                                       const CpcLimits& limits = {},
                                       const std::vector<std::string>& labels = {},
                                       Progress* progress = nullptr);

// Flury's criterion for the axes B: Σg ng · ln(P(B'·Ag·B) / det(B'·Ag·B)),
// P the product of the diagonal. ≥ 0 for positive definite Ag.
double fluryCriterion(const Matrix& B, const Matrix& A1, const Matrix& A2, double n1, double n2);
double fluryCriterion(const Matrix& B, const std::vector<Matrix>& A, const std::vector<double>& n);

}  // namespace vexmoor
