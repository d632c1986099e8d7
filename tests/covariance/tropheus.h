// The six Tropheus populations of tests/data/tropheus as covariance groups:
// the 38 coordinates of each fish, the sexes as sub-groups.
#pragma once

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "covariance/covariance_groups.h"
#include "io/table_file.h"
#include "shape/procrustes2d.h"

namespace vexmoor::testing {

struct TropheusTable {
  std::vector<std::string> population, sex;
  Matrix coordinates;  // one fish per row: x1 y1 ... x19 y19
};

// The fish of `file` (id, POP.ID, Sex, Allo.Symp, X1 ... Y19), without the
// data rows (1-based) in `skipped`, of the populations in `kept`.
inline TropheusTable readTropheus(const std::string& file, const std::set<size_t>& skipped,
                                  const std::set<std::string>& kept) {
  std::ifstream in(VEXMOOR_TEST_DATA "/tropheus/" + file);
  std::string line;
  std::getline(in, line);
  TropheusTable t;
  std::vector<std::vector<double>> rows;
  for (size_t row = 1; std::getline(in, line); ++row) {
    const std::vector<std::string> f = splitFields(line, ',', file);
    if (skipped.count(row) || !kept.count(f[1])) {
      continue;
    }
    t.population.push_back(f[1]);
    t.sex.push_back(f[2]);
    rows.emplace_back();
    for (size_t c = 4; c < 42; ++c) {
      rows.back().push_back(std::stod(f[c]));
    }
  }
  t.coordinates.resize(static_cast<Index>(rows.size()), 38);
  for (size_t i = 0; i < rows.size(); ++i) {
    t.coordinates.row(static_cast<Index>(i)) = Eigen::Map<RowVector>(rows[i].data(), 38);
  }
  return t;
}

// One group per population in order of appearance, the sexes as sub-groups.
inline std::vector<CovarianceGroup> populations(const TropheusTable& t) {
  std::vector<CovarianceGroup> groups;
  std::vector<std::vector<Index>> rows;
  for (size_t i = 0; i < t.population.size(); ++i) {
    size_t g = 0;
    while (g < groups.size() && groups[g].label != t.population[i]) {
      ++g;
    }
    if (g == groups.size()) {
      groups.push_back({t.population[i], Matrix(), {}});
      rows.emplace_back();
    }
    rows[g].push_back(static_cast<Index>(i));
    groups[g].within.push_back(t.sex[i]);
  }
  for (size_t g = 0; g < groups.size(); ++g) {
    groups[g].x = t.coordinates(rows[g], Eigen::all);
  }
  return groups;
}

inline const std::set<std::string> kKaiserPopulations{"IKA1", "IKA2", "IKA3",
                                                      "IKS3", "IKS4", "IKS5"};

// The 511 fish as stored already superimposed.
inline std::vector<CovarianceGroup> tropheusPopulations() {
  return populations(readTropheus("tropheus_ik_procrustes.csv", {}, kKaiserPopulations));
}

// Generalised Procrustes analysis of the rows (unit centroid size, rotated
// onto their consensus until it stops moving), then the orthogonal
// projection into the tangent space at the consensus.
inline Matrix tangentProcrustes(const Matrix& coordinates) {
  Matrix x(coordinates.rows(), 39);
  x << coordinates, Vector::Ones(coordinates.rows());
  normaliseSpecimens(x);
  RowVector mean = x.row(0);
  for (int pass = 0; pass < 100; ++pass) {
    rotateOntoReference(x, mean);
    RowVector next = x.colwise().mean();
    next.head(38).normalize();
    const double moved = (next - mean).head(38).norm();
    mean = next;
    if (moved < 1e-15) {
      break;
    }
  }
  rotateOntoReference(x, mean);
  const RowVector mu = mean.head(38);
  Matrix y = x.leftCols(38);
  const Vector along = y * mu.transpose();
  return y - (along.array() - 1).matrix() * mu;
}

// The published analysis' own route: the raw landmarks of the six
// populations without the five outliers, superimposed together.
inline std::vector<CovarianceGroup> tropheusPopulationsFromRawLandmarks() {
  TropheusTable t = readTropheus("tropheus.csv", {18, 56, 155, 351, 624}, kKaiserPopulations);
  t.coordinates = tangentProcrustes(t.coordinates);
  return populations(t);
}

}  // namespace vexmoor::testing
