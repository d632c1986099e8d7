#include "covariance/covariance_input.h"

#include "covariance/covariance_geometry.h"
#include "runtime/error.h"

namespace vexmoor {

CovarianceInput prepareCovarianceInput(const std::vector<CovarianceGroup>& groups,
                                       const ReductionChoice& reduction, const Progress* progress) {
  checkCovarianceGroups(groups);
  std::vector<std::vector<Subgroup>> subgroups;
  for (const CovarianceGroup& g : groups) {
    subgroups.push_back(subgroupsOf(g));
  }
  CovarianceInput in;
  switch (reduction.kind) {
    case ReductionKind::kNone:
      in.reduction.variables = groups.front().x.cols();
      break;
    case ReductionKind::kTotalComponents:
      in.reduction = totalComponents(groups, reduction.components, progress);
      break;
    case ReductionKind::kPooledWithinComponents:
      in.reduction = pooledWithinComponents(groups, reduction.components, progress);
      break;
  }
  for (size_t g = 0; g < groups.size(); ++g) {
    throwIfCancelled(progress);
    GroupCovariance c;
    c.label = groups[g].label;
    c.x = reducedScores(in.reduction, groups[g].x);
    c.subgroups = std::move(subgroups[g]);
    c.s = pooledWithinSubgroups(c.x, c.subgroups);
    in.groups.push_back(std::move(c));
  }
  return in;
}

void requireInvertibleCovariances(const CovarianceInput& in) {
  const Index p = in.variables();
  for (const GroupCovariance& g : in.groups) {
    // Each sub-group's covariance has rank at most its size − 1.
    Index freedom = 0;
    for (const Subgroup& s : g.subgroups) {
      freedom += static_cast<Index>(s.rows.size()) - 1;
    }
    if (freedom >= p && clearlyPositiveDefinite(g.s)) {
      continue;
    }
    std::string counts = std::to_string(g.specimens()) + " specimens";
    if (g.subgroups.size() > 1) {
      counts += " in " + std::to_string(g.subgroups.size()) + " sub-groups";
    }
    if (freedom < p) {
      throw Error("the covariance matrix of " + g.label + " is singular (" + counts +
                  ", too few for " + std::to_string(p) +
                  " variables); reduce the variables to at most " + std::to_string(freedom) +
                  " principal components first");
    }
    throw Error("the covariance matrix of " + g.label + " is singular (" + counts + ", but its " +
                std::to_string(p) +
                " variables are linearly dependent); reduce the variables to fewer principal "
                "components first");
  }
}

std::vector<IndexPair> tableOrderPairs(size_t groups) {
  std::vector<IndexPair> pairs;
  for (size_t a = 0; a < groups; ++a) {
    for (size_t b = a + 1; b < groups; ++b) {
      pairs.emplace_back(a, b);
    }
  }
  return pairs;
}

std::vector<IndexPair> referencePairs(size_t groups, size_t reference) {
  std::vector<IndexPair> pairs;
  for (size_t g = 0; g < groups; ++g) {
    if (g != reference) {
      pairs.emplace_back(g, reference);
    }
  }
  return pairs;
}

}  // namespace vexmoor
