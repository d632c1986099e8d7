// Small numerical pieces shared by the covariance models.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runtime/matrix.h"

namespace vexmoor {

// ln det(m) for a square m, computed from the pivots of an LU factorisation
// so that determinants beyond the range of a double (many small variances)
// still give their finite logarithm. A zero pivot gives -Inf (ln 0), a
// negative determinant NaN (the logarithm of a negative number), as the
// logarithm of the determinant would.
double logDeterminant(const Matrix& m);

// Orthonormal eigenvectors of a symmetric matrix, one per column, in order of
// ascending eigenvalue.
Matrix ascendingEigenvectors(const Matrix& symmetric);

// A variable whose variance (diagonal entry of a covariance matrix) is
// exactly zero: it is the same in every specimen of the group.
struct ZeroVariance {
  Index variable;  // 0-based
  int group;       // 1 ... k; 0: every group
};

// The first variable of the p × p covariance matrices s1, s2 with zero
// variance in one group (or, with `bothGroups`, in both groups at once).
std::optional<ZeroVariance> findZeroVariance(const Matrix& s1, const Matrix& s2, bool bothGroups);

// The same for k groups: zero in every group, or (without `everyGroup`) the
// first group where it is zero.
std::optional<ZeroVariance> findZeroVariance(const std::vector<Matrix>& s, bool everyGroup);

// "group 1", "group 2" or "both groups".
std::string groupText(int group);

// Group g (1-based) by its label, "group g" when there are no labels.
std::string groupLabel(const std::vector<std::string>& labels, int group);

// groupText for k groups: a group's label, "both groups" or "all k groups".
std::string groupText(const std::vector<std::string>& labels, int group, size_t groups);

// Throws vexmoor::Error naming the variable findZeroVariance finds: such a
// variable leaves `model` (named in the message) without an estimate.
void requireVariation(const Matrix& s1, const Matrix& s2, bool bothGroups, const char* model);
void requireVariation(const std::vector<Matrix>& s, bool everyGroup, const char* model,
                      const std::vector<std::string>& labels = {});

}  // namespace vexmoor
