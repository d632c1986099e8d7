#include "covariance/covariance_resampling.h"

#include <utility>

namespace vexmoor {

ReplicateRunOptions replicateRunOptions(const CovarianceResampling& r) {
  return {r.seed, r.progress, r.threads};
}

void drawWithinSubgroups(const std::vector<Subgroup>& subgroups, ReplicateStream& stream,
                         std::vector<Subgroup>& out) {
  out.resize(subgroups.size());
  for (size_t s = 0; s < subgroups.size(); ++s) {
    const std::vector<Index>& from = subgroups[s].rows;
    const Index m = static_cast<Index>(from.size());
    out[s].name = subgroups[s].name;
    out[s].rows.resize(from.size());
    for (Index& row : out[s].rows) {
      row = from[static_cast<size_t>(stream.position(m))];
    }
  }
}

namespace {

void shuffleRange(Index* rows, Index n, ReplicateStream& stream) {
  for (Index i = n - 1; i > 0; --i) {
    std::swap(rows[i], rows[stream.position(i + 1)]);
  }
}

}  // namespace

void shuffle(std::vector<Index>& rows, ReplicateStream& stream) {
  shuffleRange(rows.data(), static_cast<Index>(rows.size()), stream);
}

StackedGroups stackGroups(const std::vector<GroupCovariance>& groups) {
  StackedGroups out;
  Index rows = 0;
  for (const GroupCovariance& g : groups) {
    out.offsets.push_back(rows);
    rows += g.x.rows();
  }
  out.x.resize(rows, groups.front().x.cols());
  for (size_t g = 0; g < groups.size(); ++g) {
    out.x.middleRows(out.offsets[g], groups[g].x.rows()) = groups[g].x;
  }
  return out;
}

Reassignment::Reassignment(const std::vector<GroupCovariance>& groups, const StackedGroups& stacked,
                           const std::vector<size_t>& which) {
  std::vector<std::string> poolNames;
  for (size_t g : which) {
    const Index at = stacked.offsets[g];
    std::vector<Share> shares;
    std::vector<std::string> names;
    for (const Subgroup& s : groups[g].subgroups) {
      size_t pool = 0;
      while (pool < poolNames.size() && poolNames[pool] != s.name) {
        ++pool;
      }
      if (pool == poolNames.size()) {
        poolNames.push_back(s.name);
        m_pools.emplace_back();
      }
      for (Index row : s.rows) {
        m_pools[pool].push_back(at + row);
      }
      shares.push_back({pool, static_cast<Index>(s.rows.size())});
      names.push_back(s.name);
    }
    m_shares.push_back(std::move(shares));
    m_names.push_back(std::move(names));
  }
  Index start = 0;
  for (const std::vector<Index>& pool : m_pools) {
    m_starts.push_back(start);
    start += static_cast<Index>(pool.size());
  }
}

void Reassignment::deal(ReplicateStream& stream, std::vector<std::vector<Subgroup>>& out,
                        std::vector<Index>& scratch) const {
  out.resize(m_shares.size());
  // Each pool shuffled once, then dealt from its front in group order.
  scratch.clear();
  for (const std::vector<Index>& pool : m_pools) {
    scratch.insert(scratch.end(), pool.begin(), pool.end());
  }
  std::vector<Index> taken = m_starts;
  for (size_t p = 0; p < m_pools.size(); ++p) {
    shuffleRange(scratch.data() + m_starts[p], static_cast<Index>(m_pools[p].size()), stream);
  }
  for (size_t g = 0; g < m_shares.size(); ++g) {
    out[g].resize(m_shares[g].size());
    for (size_t s = 0; s < m_shares[g].size(); ++s) {
      const Share& share = m_shares[g][s];
      const Index from = taken[share.stratum];
      out[g][s].name = m_names[g][s];
      out[g][s].rows.assign(scratch.begin() + from, scratch.begin() + from + share.count);
      taken[share.stratum] += share.count;
    }
  }
}

}  // namespace vexmoor
