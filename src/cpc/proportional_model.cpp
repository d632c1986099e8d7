#include "cpc/proportional_model.h"

#include <string>
#include <vector>

#include "cpc/model_numerics.h"
#include "runtime/error.h"

namespace vexmoor {

namespace {

struct CommonAxes {
  Matrix B;
  std::vector<RowVector> a;
  RowVector L;
};

// Steps of one iteration: the common matrix for the constants c, its
// eigenvectors, each group's variances along them and the common variances.
// Sums run group by group in the order of the two-group formulas.
CommonAxes commonAxes(const std::vector<Matrix>& s, const std::vector<double>& r,
                      const std::vector<double>& c) {
  CommonAxes axes;
  Matrix common = r[0] * s[0] / c[0];
  for (size_t g = 1; g < s.size(); ++g) {
    common += r[g] * s[g] / c[g];
  }
  axes.B = ascendingEigenvectors(common);
  for (const Matrix& sg : s) {
    axes.a.push_back((axes.B.transpose() * sg * axes.B).diagonal().transpose());
  }
  axes.L = r[0] * axes.a[0] / c[0];
  for (size_t g = 1; g < s.size(); ++g) {
    axes.L += r[g] * axes.a[g] / c[g];
  }
  return axes;
}

}  // namespace

ProportionalModel flury_pcm(const Matrix& s1, const Matrix& s2, double n1, double n2,
                            int maxIterations) {
  ProportionalModel m = proportionalModel({s1, s2}, {n1, n2}, maxIterations);
  m.s1est = m.estimates[0];
  m.s2est = m.estimates[1];
  return m;
}

ProportionalModel proportionalModel(const std::vector<Matrix>& s, const std::vector<double>& n,
                                    int maxIterations, const std::vector<std::string>& labels,
                                    const Progress* progress) {
  requireVariation(s, true, "proportional model", labels);
  const size_t k = s.size();
  const Index p = s[0].rows();
  double total = n[0];
  for (size_t g = 1; g < k; ++g) {
    total += n[g];
  }
  std::vector<double> r(k);
  std::vector<double> c(k, 0.5);
  for (size_t g = 0; g < k; ++g) {
    r[g] = n[g] / total;
  }
  c[0] = 1;
  double cscore = 1;
  ProportionalModel m;
  while (cscore > 1e-12) {
    if (m.iterations == maxIterations) {
      m.settled = false;
      break;
    }
    throwIfCancelled(progress);
    ++m.iterations;
    CommonAxes axes = commonAxes(s, r, c);
    for (Index i = 0; i < p; ++i) {
      if (axes.L(i) == 0.0) {
        throw Error("the common variance of the proportional model is zero along axis " +
                    std::to_string(i + 1) + " of iteration " + std::to_string(m.iterations) +
                    ", so the proportionality constant cannot be estimated");
      }
    }
    std::vector<double> previous = c;
    for (size_t g = 0; g < k; ++g) {
      c[g] = (axes.a[g].array() / axes.L.array()).sum() / static_cast<double>(p);
    }
    for (size_t g = 1; g < k; ++g) {
      c[g] = c[g] / c[0];
    }
    c[0] = 1;
    cscore = 0;
    for (size_t g = 0; g < k; ++g) {
      cscore += (c[g] - previous[g]) * (c[g] - previous[g]);
    }
  }
  // The estimate for the constants returned, not for those the last
  // iteration started from: otherwise the common matrix and ρ disagree by
  // up to the stopping tolerance, which moves the log-likelihood in its
  // third decimal.
  CommonAxes axes = commonAxes(s, r, c);
  m.p = RowVector(static_cast<Index>(k));
  for (size_t g = 0; g < k; ++g) {
    m.p(static_cast<Index>(g)) = c[g];
  }
  m.B = axes.B;
  m.L = axes.L;
  Matrix first = c[0] * axes.B * axes.L.asDiagonal() * axes.B.transpose();
  m.estimates.push_back(first);
  for (size_t g = 1; g < k; ++g) {
    m.estimates.push_back(c[g] * first / c[0]);
  }
  return m;
}

}  // namespace vexmoor
