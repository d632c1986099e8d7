// Random skewers: would two groups respond alike to the same selection?
// Each of N random unit selection vectors β (uniform on the sphere) gives
// each group's response Sβ; the vector correlation of two responses is the
// cosine of the angle between them. Their mean is compared with the
// correlations of pairs of random unit vectors in the same dimension.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compare/replicate_stream.h"
#include "covariance/covariance_input.h"
#include "covariance/covariance_resampling.h"
#include "runtime/matrix.h"

namespace vexmoor {

struct SkewerPair {
  size_t first = 0, second = 1;
  double meanCorrelation = 0;
  double sd = 0;         // of the correlations, divisor N − 1 (0 for N = 1)
  double meanAngle = 0;  // of the angles between the responses, degrees
  // (1 + reference correlations at least the mean) / (N + 1).
  double p = 0;
  Vector correlations;  // N, one per skewer in order
};

struct RandomSkewers {
  VariableReduction reduction;
  std::vector<std::string> labels;
  Index variables = 0;
  Index skewers = 0;  // N
  // N: the cosine between each skewer and a second random unit vector,
  // the reference distribution of the correlation of unrelated responses.
  Vector reference;
  std::vector<SkewerPair> pairs;  // table order
};

// resampling.replicates is N, the number of skewers. Throws vexmoor::Error
// for N < 1 and for a group whose matrix is 0 (no response to anything);
// Cancelled when the progress asks.
RandomSkewers randomSkewers(const CovarianceInput& in, const CovarianceResampling& resampling);

// Skewer j (0-based) of a run seeded with `seed`: p values, unit length,
// uniform on the sphere; drawn from ReplicateStream(seed, j), whose next
// draws give the reference vector.
Vector randomSkewer(std::uint64_t seed, Index j, Index p);

// A unit vector uniform on the sphere in p dimensions: p standard normal
// deviates (Box–Muller, two from two uniforms), normalised.
void drawUnitVector(ReplicateStream& stream, double* out, Index p);

}  // namespace vexmoor
