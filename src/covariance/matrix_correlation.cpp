#include "covariance/matrix_correlation.h"

#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>

#include "compare/resampling_tests.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

// The elements centred and scaled to unit length, so that a correlation is
// one dot product; nullopt when they are all equal up to rounding.
std::optional<Vector> standardised(const Vector& e) {
  Vector c = e.array() - e.mean();
  const double norm = c.norm();
  const double size = std::sqrt(static_cast<double>(e.size())) * e.cwiseAbs().maxCoeff();
  if (!(norm > 1e-12 * size)) {
    return std::nullopt;
  }
  return Vector(c / norm);
}

// The chosen elements of s with its variables reordered by `order`:
// element (i, j) of the result is s(order[i], order[j]).
void permutedElements(const Matrix& s, const std::vector<Index>& order, bool diagonal,
                      Vector& out) {
  const Index p = s.rows();
  Index at = 0;
  for (Index j = 0; j < p; ++j) {
    for (Index i = diagonal ? j : j + 1; i < p; ++i) {
      out(at++) = s(order[static_cast<size_t>(i)], order[static_cast<size_t>(j)]);
    }
  }
}

class PermutationTask : public ReplicateTask {
 public:
  PermutationTask(const CovarianceInput& in, const std::vector<IndexPair>& pairs,
                  const std::vector<Vector>& standard, const std::vector<double>& norms,
                  bool diagonal, int unit, const Progress* progress)
      : m_in(in),
        m_pairs(pairs),
        m_standard(standard),
        m_norm(norms),
        m_diagonal(diagonal),
        m_unit(unit),
        m_units(static_cast<size_t>(in.variables() / unit)),
        m_order(static_cast<size_t>(in.variables())),
        m_elements(standard.front().size()),
        m_progress(progress) {}

  void run(Index, ReplicateStream& stream, std::span<double> values, Host&) override {
    for (size_t k = 0; k < m_pairs.size(); ++k) {
      throwIfCancelled(m_progress);  // many variables make a pair long
      std::iota(m_units.begin(), m_units.end(), Index{0});
      shuffle(m_units, stream);
      for (size_t u = 0; u < m_units.size(); ++u) {
        for (int c = 0; c < m_unit; ++c) {
          m_order[u * static_cast<size_t>(m_unit) + static_cast<size_t>(c)] =
              m_units[u] * m_unit + c;
        }
      }
      const auto [a, b] = m_pairs[k];
      permutedElements(m_in.groups[b].s, m_order, m_diagonal, m_elements);
      // The permuted elements have the same mean and spread as before.
      values[k] = m_standard[a].dot((m_elements.array() - m_elements.mean()).matrix()) / m_norm[b];
    }
  }

 private:
  const CovarianceInput& m_in;
  const std::vector<IndexPair>& m_pairs;
  const std::vector<Vector>& m_standard;
  const std::vector<double>& m_norm;  // of each group's centred elements
  bool m_diagonal;
  int m_unit;
  std::vector<Index> m_units, m_order;
  Vector m_elements;
  const Progress* m_progress;
};

}  // namespace

Vector matrixElements(const Matrix& s, bool diagonal) {
  std::vector<Index> order(static_cast<size_t>(s.rows()));
  std::iota(order.begin(), order.end(), Index{0});
  const Index p = s.rows();
  Vector out(diagonal ? p * (p + 1) / 2 : p * (p - 1) / 2);
  permutedElements(s, order, diagonal, out);
  return out;
}

MatrixCorrelation matrixCorrelation(const CovarianceInput& in, const CorrelationOptions& options) {
  const Index p = in.variables();
  const int d = options.landmarkDimension;
  if (d > 0 && in.reduction.kind != ReductionKind::kNone) {
    throw Error(
        "principal-component scores cannot be permuted a landmark at a time; permute "
        "variables");
  }
  if (d > 0 && p % d != 0) {
    throw Error(std::to_string(p) + " variables are no landmark coordinates in " +
                std::to_string(d) + " dimensions");
  }
  MatrixCorrelation out;
  out.reduction = in.reduction;
  out.variables = p;
  out.diagonal = options.diagonal;
  out.units = d > 0 ? PermutedUnits::kLandmarks : PermutedUnits::kVariables;
  out.coordinatesPerUnit = d > 0 ? d : 1;
  out.elements = options.diagonal ? p * (p + 1) / 2 : p * (p - 1) / 2;
  if (out.elements < 2) {
    throw Error("a matrix correlation needs at least 2 elements of each matrix; " +
                std::to_string(p) + " variables give " + std::to_string(out.elements));
  }
  std::vector<Vector> standard;
  std::vector<double> norms;
  for (const GroupCovariance& g : in.groups) {
    out.labels.push_back(g.label);
    Vector e = matrixElements(g.s, options.diagonal);
    std::optional<Vector> z = standardised(e);
    if (!z) {
      throw Error("the covariance matrix elements of " + g.label +
                  " are all equal, so they correlate with nothing");
    }
    standard.push_back(*z);
    norms.push_back((e.array() - e.mean()).matrix().norm());
  }
  const std::vector<IndexPair> pairs = tableOrderPairs(in.groups.size());
  for (const auto& [a, b] : pairs) {
    CorrelationPair c;
    c.first = a;
    c.second = b;
    c.correlation = standard[a].dot(standard[b]);
    c.p = std::numeric_limits<double>::quiet_NaN();
    out.pairs.push_back(c);
  }
  if (options.resampling.replicates > 0) {
    ReplicateResults results = runReplicates(
        options.resampling.replicates, static_cast<int>(pairs.size()),
        [&] {
          return std::make_unique<PermutationTask>(in, pairs, standard, norms, options.diagonal,
                                                   out.coordinatesPerUnit,
                                                   options.resampling.progress);
        },
        replicateRunOptions(options.resampling), silentHost());
    out.replicates = results.count();
    for (size_t k = 0; k < pairs.size(); ++k) {
      CorrelationPair& c = out.pairs[k];
      c.permutedCorrelations = results.inReplicateOrder().col(static_cast<Index>(k));
      c.p = empiricalPValue(results.sorted(static_cast<int>(k)), c.correlation, Tail::kAtLeast);
    }
  }
  return out;
}

}  // namespace vexmoor
