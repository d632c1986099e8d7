// What every covariance analysis starts from: the groups checked, their
// variables reduced as asked, sub-groups found and each group's covariance
// matrix.
#pragma once

#include <utility>
#include <vector>

#include "covariance/covariance_groups.h"
#include "covariance/variable_reduction.h"
#include "runtime/progress.h"

namespace vexmoor {

struct ReductionChoice {
  ReductionKind kind = ReductionKind::kNone;
  int components = 0;  // M, for the two reductions
};

struct CovarianceInput {
  VariableReduction reduction;
  std::vector<GroupCovariance> groups;  // in the order given
  Index variables() const { return groups.empty() ? 0 : groups.front().x.cols(); }
};

// Throws vexmoor::Error as checkCovarianceGroups, subgroupsOf and the
// reductions do; Cancelled when `progress` asks.
CovarianceInput prepareCovarianceInput(const std::vector<CovarianceGroup>& groups,
                                       const ReductionChoice& reduction,
                                       const Progress* progress = nullptr);

// The analysed variables' count p. Relative eigenanalysis and covariance
// distances invert covariance matrices: throws vexmoor::Error naming the
// first group whose matrix is singular, with its specimens and sub-groups
// and the variables, and pointing to a reduction to fewer principal
// components.
void requireInvertibleCovariances(const CovarianceInput& in);

// Group pairs (a, b), 0-based. In table order: (0,1), (0,2), ... (k−2,k−1).
using IndexPair = std::pair<size_t, size_t>;
std::vector<IndexPair> tableOrderPairs(size_t groups);
// Every other group against `reference`: (g, reference), g in order.
std::vector<IndexPair> referencePairs(size_t groups, size_t reference);

}  // namespace vexmoor
