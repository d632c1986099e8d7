// What the covariance analyses' resampling shares: the options, and the
// random draws of specimens (within a group, or dealt out again among
// groups), each from the replicate's own stream, so that a seeded run gives
// the same replicates on any number of threads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compare/replicate_engine.h"
#include "compare/replicate_stream.h"
#include "covariance/covariance_groups.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

struct CovarianceResampling {
  Index replicates = 0;               // 0: no resampling
  std::optional<std::uint64_t> seed;  // none: a fresh seed for the run
  Progress* progress = nullptr;       // may be null: hears progress, may cancel
  int threads = 0;                    // 0: one per core; the results do not depend on it
};

ReplicateRunOptions replicateRunOptions(const CovarianceResampling& r);

// The bootstrap within a group: each sub-group's rows drawn anew with
// replacement, its size kept. `out` gets as many sub-groups, same names.
void drawWithinSubgroups(const std::vector<Subgroup>& subgroups, ReplicateStream& stream,
                         std::vector<Subgroup>& out);

// Every group's specimens, group after group.
struct StackedGroups {
  Matrix x;                    // m1 + m2 + ... rows
  std::vector<Index> offsets;  // the first row of each group
};
StackedGroups stackGroups(const std::vector<GroupCovariance>& groups);

// The specimens of several groups pooled and dealt out to them again at
// random, each group keeping its size and, where the groups have
// sub-groups, the size of each sub-group: the specimens of sub-groups of
// one name (the females of every group, say) are dealt among themselves,
// so the sub-groups' mean differences stay out of the covariance matrices.
class Reassignment {
 public:
  // which: the groups (0-based, into `groups`) whose specimens are pooled.
  Reassignment(const std::vector<GroupCovariance>& groups, const StackedGroups& stacked,
               const std::vector<size_t>& which);

  // out[i]: the sub-groups of group which[i] (as in the group), rows into
  // the stacked matrix. `scratch` is the caller's workspace.
  void deal(ReplicateStream& stream, std::vector<std::vector<Subgroup>>& out,
            std::vector<Index>& scratch) const;

 private:
  struct Share {
    size_t stratum;  // which pool the sub-group draws from
    Index count;
  };
  std::vector<std::vector<Index>> m_pools;        // one per sub-group name: stacked rows
  std::vector<Index> m_starts;                    // where each pool begins in a deal's scratch
  std::vector<std::vector<Share>> m_shares;       // per group, one per sub-group
  std::vector<std::vector<std::string>> m_names;  // per group, its sub-groups' names
};

// Uniform random order of `rows` in place (Fisher–Yates).
void shuffle(std::vector<Index>& rows, ReplicateStream& stream);

}  // namespace vexmoor
