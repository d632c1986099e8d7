// What lies behind the angle between the planes: each group's principal
// components of the shape variables the analyses compare, each axis as the
// landmark displacement it stands for, the principal angles between every
// two groups' leading subspaces with the pair of directions that forms each
// angle, and every specimen's scores. Plain numbers: the text, the JSON and
// the pictures are all made from them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "compare/analysis_input.h"
#include "runtime/matrix.h"

namespace vexmoor {

struct ComponentAxis {
  double eigenvalue = 0;
  double share = 0;     // of the group's total variance
  Vector loading;       // unit, on the p shape variables; largest-magnitude entry positive
  Matrix displacement;  // landmarks × d: one standard deviation (√eigenvalue) along the axis
};

struct GroupComponents {
  std::string label;   // "group 1", "group \"F\""
  Vector eigenvalues;  // all p of the covariance (divisor m − 1), descending, none below 0
  Vector shares;       // each of the total variance
  Vector cumulative;   // running sums of the shares
  std::vector<ComponentAxis> axes;  // the k leading
  Matrix scores;                    // m × k: each specimen on its own group's leading axes
};

// The two directions that form one principal angle: a unit direction in
// the first group's leading subspace and its closest partner in the
// second's (their cosine is the angle's).
struct DirectionPair {
  double angle = 0;                    // degrees
  std::array<Vector, 2> loading;       // unit, on the shape variables; the first group's
                                       // largest-magnitude entry positive, cosine >= 0
  std::array<double, 2> deviation;     // each group's standard deviation along its direction
  std::array<Matrix, 2> displacement;  // landmarks × d at that standard deviation
};

struct ComponentPair {
  size_t first = 0, second = 1;           // 0-based group numbers, first < second
  Vector angles;                          // the k principal angles, degrees, ascending
  double angle = 0;                       // their root sum of squares: the angle between the planes
  std::vector<DirectionPair> directions;  // one for each angle, in its order
};

struct PrincipalComponents {
  int k = 0;
  int dimension = 2;
  bool partialWarps = true;  // shape variables; false: raw coordinates
  Index variables = 0;       // p
  // landmarks × d: where the displacements start. The consensus of the
  // pooled frame; for raw coordinates the mean of all specimens.
  Matrix consensus;
  std::vector<GroupComponents> groups;
  // The pooled sample (every specimen of every group, one mean): its
  // leading min(p, max(k, 5)) components, and each group's specimens'
  // scores on them (m × that many).
  Vector pooledEigenvalues, pooledShares;
  Matrix pooledAxes;
  std::vector<Matrix> pooledScores;
  std::vector<ComponentPair> pairs;  // (1,2), (1,3), ... (g−1,g)
  std::string text;
};

// For prepared input (components read; in use the consensus rounded as for
// the angle between the planes, so that each pair's root sum of squares is
// the angle that analysis prints). `settings` tells the path the input
// took. Throws vexmoor::Error naming the group when a group has fewer
// independent directions than k (raw coordinates; the preparation checks
// shape variables itself). Cancelled when `progress` (may be null) asks.
PrincipalComponents principalComponents(const PooledInput& in, const AnalysisSettings& settings,
                                        const Progress* progress = nullptr);

// p × k: the loadings of the group's leading axes as columns.
Matrix leadingBasis(const GroupComponents& g);

// The number of eigenvalues the text and the scree show: max(k, 5), at
// most p.
Index shownComponents(int k, Index variables);

// The data ellipse of two-column points at `level` (0.95: 95 %): centred
// on their mean, its axes those of their covariance scaled by
// √(−2 ln(1 − level)), the quantile of chi-squared with two degrees of
// freedom. `segments` + 1 points, the last equal to the first. Fewer than
// three points, or no spread: empty.
Matrix dataEllipse(const Matrix& points, double level, int segments);

}  // namespace vexmoor
