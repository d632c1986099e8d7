// Checks on the observed groups that every analysis runs before it
// computes: numbers the arithmetic can hold, and shape variation enough for
// the principal components asked for. Resampled replicates are not checked
// here; they keep the statistics' own handling.
#pragma once

#include <string>

#include "runtime/matrix.h"

namespace vexmoor {

// data: a landmark data matrix (last column the trailing value, not
// checked). Throws vexmoor::Error naming group g and the specimen when its
// coordinates are so large (beyond kLargestCoordinate) that their squares
// overflow, or so close together (spread below kSmallestSpread, yet not all
// equal) that their squares underflow to 0.
void checkCoordinateRange(const Matrix& data, int g);
// The same, naming the group by `group` ("group 1", "group \"F\"").
void checkCoordinateRange(const Matrix& data, const std::string& group);

// x: the variables of group g, one specimen per row; `scale`: the size of
// what they were computed from (1 for shape variables of specimens scaled to
// unit centroid size). Throws vexmoor::Error when the specimens do not vary
// at all (up to rounding), or when `components` > 0 and the covariance
// matrix has fewer independent directions than that.
void checkShapeVariation(const Matrix& x, double scale, int g, int components);
void checkShapeVariation(const Matrix& x, double scale, const std::string& group, int components);

// The number of independent directions of the covariance matrix of x's
// rows: singular values of the centred rows above a tolerance relative to
// `scale` and to the values themselves, so that the rounding noise of a
// superimposition of identical shapes counts as none.
Index covarianceRank(const Matrix& x, double scale);

// Singular values of the centred rows at most this share of the values'
// size (times the square root of the row count) count as none.
inline constexpr double kRankTolerance = 1e-9;

inline constexpr double kLargestCoordinate = 1e150;
inline constexpr double kSmallestSpread = 1e-150;

}  // namespace vexmoor
