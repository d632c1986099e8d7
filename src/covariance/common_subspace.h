// The common subspace of k groups (Krzanowski's H): each group's leading
// k-dimensional principal subspace with orthonormal basis Aᵢ, and
// H = Σ AᵢAᵢᵀ. An eigenvalue of H lies between 0 and the number of groups;
// equal to the number of groups, its direction lies in every group's
// subspace. With two groups the nonzero eigenvalues are 1 ± cos θᵢ of the
// principal angles between the two subspaces.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "covariance/covariance_input.h"
#include "covariance/covariance_resampling.h"
#include "runtime/matrix.h"
#include "shape/shape_variable_map.h"

namespace vexmoor {

// The null of no group structure: the specimens dealt out to the groups at
// random (sizes kept, within sub-groups of one name).
struct SubspaceNull {
  Index replicates = 0;
  // replicates × r in replicate order: H's r leading eigenvalues, r =
  // min(p, groups·k), the most that can be nonzero.
  Matrix values;
  Vector p;  // r: (1 + replicates at least the observed) / (N + 1)
};

struct CommonSubspace {
  VariableReduction reduction;
  std::vector<std::string> labels;
  Index variables = 0;  // p
  int k = 0;            // the dimension of each group's subspace
  Vector eigenvalues;   // p, descending, each between 0 and the number of groups
  // H's k leading eigenvectors: p × k on the analysed variables, and q × k
  // as loadings on the variables before any reduction (unit columns, each
  // loading's largest-magnitude entry positive).
  Matrix vectors;
  Matrix loadings;
  // For each loading, the landmark displacement (landmarks × d) of a unit
  // change along it; empty without a shape-variable map.
  std::vector<Matrix> displacements;
  // groups × k, degrees: the angle between each group's subspace and each
  // of H's leading eigenvectors.
  Matrix angles;
  std::optional<SubspaceNull> null;
};

struct SubspaceOptions {
  int k = 1;
  CovarianceResampling resampling;
  const ShapeVariableMap* map = nullptr;  // may be null
};

// Throws vexmoor::Error when there are fewer than two groups, when k is
// not from 1 to p, or larger than a group's number of independent
// directions (naming the group and its rank); Cancelled when the progress
// asks.
CommonSubspace commonSubspace(const CovarianceInput& in, const SubspaceOptions& options);

// H = Σ AᵢAᵢᵀ of the p × k bases: its eigenvalues (p, descending) and its
// leading `vectors` eigenvectors (p × vectors).
struct SubspaceSum {
  Vector values;
  Matrix vectors;
};
SubspaceSum subspaceSum(const std::vector<Matrix>& bases, int vectors);

}  // namespace vexmoor
