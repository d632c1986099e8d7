// Flury's proportional model for two covariance matrices: Σ2 = ρ·Σ1.
#pragma once

#include <string>
#include <vector>

#include "cpc/flury_cpc.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

struct ProportionalModel {
  Matrix s1est, s2est;            // p × p; s2est = ρ · s1est (groups 1 and 2)
  std::vector<Matrix> estimates;  // every group's: ρg · s1est
  Matrix B;                       // p × p eigenvectors of the common matrix for the returned ρ
  RowVector p;                    // [1 ρ2 ... ρk]
  RowVector L;                    // 1 × p common variances along the columns of B
  int iterations = 0;
  bool settled = true;  // false: stopped by the bound, the estimate is the last one
};

// flury_pcm: fixed-point iteration on the proportionality constant, from
// ρ = 0.5, until the squared change of the constants is at most 1e-12 or the
// bound is reached; the estimate is then formed for the final ρ. s1, s2: p × p covariance matrices;
// n1, n2: weights (the numbers of specimens). Throws vexmoor::Error naming the variable when a
// variable has zero variance in both groups, or the axis when the common
// variance along an axis of the iteration is exactly zero (the update would
// divide by it). Singular matrices may keep ρ wandering (even below zero):
// the bound stops that.
ProportionalModel flury_pcm(const Matrix& s1, const Matrix& s2, double n1, double n2,
                            int maxIterations = CpcLimits{}.maxProportionalIterations);

// The proportional model of k >= 2 groups, Σg = ρg·Σ1 (k − 1 constants, all
// started at 0.5): the same iteration with every group's constant, which
// for two groups is flury_pcm exactly. s, n: one entry per group.
// Throws Cancelled when `progress` (may be null) asks to stop.
ProportionalModel proportionalModel(const std::vector<Matrix>& s, const std::vector<double>& n,
                                    int maxIterations = CpcLimits{}.maxProportionalIterations,
                                    const std::vector<std::string>& labels = {},
                                    const Progress* progress = nullptr);

}  // namespace vexmoor
