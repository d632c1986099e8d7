#include "covariance/covariance_groups.h"

#include <cmath>

#include "runtime/error.h"

namespace vexmoor {

std::vector<Subgroup> subgroupsOf(const CovarianceGroup& group) {
  const Index m = group.x.rows();
  if (group.within.empty()) {
    if (m < 2) {
      throw Error(group.label + " has " + std::to_string(m) +
                  " specimens; a covariance matrix needs at least 2");
    }
    Subgroup all;
    for (Index i = 0; i < m; ++i) {
      all.rows.push_back(i);
    }
    return {all};
  }
  if (static_cast<Index>(group.within.size()) != m) {
    throw Error(group.label + " has " + std::to_string(m) + " specimens but " +
                std::to_string(group.within.size()) + " sub-group entries");
  }
  std::vector<Subgroup> out;
  for (Index i = 0; i < m; ++i) {
    const std::string& name = group.within[static_cast<size_t>(i)];
    size_t s = 0;
    while (s < out.size() && out[s].name != name) {
      ++s;
    }
    if (s == out.size()) {
      out.push_back({name, {}});
    }
    out[s].rows.push_back(i);
  }
  for (const Subgroup& s : out) {
    if (s.rows.size() < 2) {
      throw Error(group.label + ": sub-group \"" + s.name + "\" has " +
                  std::to_string(s.rows.size()) +
                  " specimen; a sub-group needs at least 2 for its covariance matrix");
    }
  }
  return out;
}

Matrix covarianceOfRows(const Matrix& x, const std::vector<Index>& rows) {
  const Index n = static_cast<Index>(rows.size());
  Matrix centred = x(rows, Eigen::all);
  centred.rowwise() -= centred.colwise().mean();
  Matrix s = Matrix::Zero(x.cols(), x.cols());
  s.selfadjointView<Eigen::Lower>().rankUpdate(centred.transpose(), 1.0 / double(n - 1));
  s.triangularView<Eigen::StrictlyUpper>() = s.transpose();
  return s;
}

Matrix pooledWithinSubgroups(const Matrix& x, const std::vector<Subgroup>& subgroups) {
  if (subgroups.size() == 1) {
    return covarianceOfRows(x, subgroups.front().rows);
  }
  Matrix s = Matrix::Zero(x.cols(), x.cols());
  for (const Subgroup& g : subgroups) {
    s += covarianceOfRows(x, g.rows);
  }
  return s / static_cast<double>(subgroups.size());
}

void checkCovarianceGroups(const std::vector<CovarianceGroup>& groups) {
  if (groups.size() < 2) {
    throw Error("comparing covariance matrices needs at least 2 groups; there are " +
                std::to_string(groups.size()));
  }
  const Index q = groups.front().x.cols();
  if (q < 1) {
    throw Error(groups.front().label + " has no variables");
  }
  for (const CovarianceGroup& g : groups) {
    if (g.x.cols() != q) {
      throw Error(g.label + " has " + std::to_string(g.x.cols()) + " variables, " +
                  groups.front().label + " has " + std::to_string(q));
    }
  }
  for (const CovarianceGroup& g : groups) {
    for (Index i = 0; i < g.x.rows(); ++i) {
      for (Index j = 0; j < q; ++j) {
        if (!std::isfinite(g.x(i, j))) {
          throw Error(g.label + ", specimen " + std::to_string(i + 1) + ", variable " +
                      std::to_string(j + 1) + ": the value is not a finite number");
        }
      }
    }
  }
}

std::string groupSizeText(const GroupCovariance& g) {
  std::string text = std::to_string(g.specimens()) + " specimens";
  if (g.subgroups.size() > 1 || !g.subgroups.front().name.empty()) {
    text += " (";
    for (size_t s = 0; s < g.subgroups.size(); ++s) {
      text +=
          (s ? ", " : "") + g.subgroups[s].name + " " + std::to_string(g.subgroups[s].rows.size());
    }
    text += ")";
  }
  return text;
}

}  // namespace vexmoor
