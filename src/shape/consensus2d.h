// The consensus of a pooled set of two-dimensional specimens by iterated
// Procrustes superimposition, turned with all specimens to the principal
// axes of the consensus landmark cloud.
#pragma once

#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

struct Consensus2D {
  // 1 × m: the consensus coordinates (centred, unit sum of squares, cross
  // moment sum x*y zero), then the filler 999 in position m.
  RowVector reference;
  // N × m: the specimens superimposed on the consensus and turned with it;
  // column m copied from the input.
  Matrix specimens;
  int passes = 0;
  // False when the pass limit was reached before the consensus settled.
  bool converged = true;
};

// Passes stop when the consensus moves by at most this much.
inline constexpr double kConsensusTolerance = 7.450580596923829e-10;
// A generous bound: real data settle within a few dozen passes.
inline constexpr int kMaxConsensusPasses = 1000;

// x: N × m specimen rows, N >= 1, m = 2k + 1. Throws vexmoor::Error naming
// the specimen when one has centroid size 0.
// Cancelled when `progress` (may be null) asks to stop: a pass over many
// thousands of landmarks takes a while.
Consensus2D getconsensuspca(const Matrix& x, int maxPasses = kMaxConsensusPasses,
                            const Progress* progress = nullptr);

}  // namespace vexmoor
