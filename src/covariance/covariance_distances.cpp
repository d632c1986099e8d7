#include "covariance/covariance_distances.h"

#include <cmath>
#include <limits>
#include <memory>

#include "compare/resampling_tests.h"
#include "covariance/covariance_geometry.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Pairs between cancel checks: each costs a few microseconds at ten
// variables.
constexpr size_t kPairsPerCheck = 256;

// The Riemannian distance of two matrices, NaN when the second is not
// positive definite.
double distanceOf(const Matrix& s1, const Matrix& s2) {
  Eigen::LLT<Matrix> llt(s2);
  if (llt.info() != Eigen::Success) {
    return kNaN;
  }
  return riemannianDistance(relativeEigenvalues(s1, llt));
}

void observedDistances(const CovarianceInput& in, const DistanceOptions& options,
                       CovarianceDistances& out) {
  const size_t k = in.groups.size();
  std::vector<Eigen::LLT<Matrix>> factors;
  std::vector<Matrix> logs;
  for (const GroupCovariance& g : in.groups) {
    throwIfCancelled(options.resampling.progress);
    factors.emplace_back(g.s);
    if (options.logEuclidean) {
      logs.push_back(*matrixLogarithm(g.s));
    }
  }
  out.riemannian = Matrix::Zero(k, k);
  if (options.logEuclidean) {
    out.logEuclidean = Matrix::Zero(k, k);
  }
  size_t done = 0;
  for (const IndexPair& pair : tableOrderPairs(k)) {
    if (++done % kPairsPerCheck == 0) {
      throwIfCancelled(options.resampling.progress);
    }
    const auto [a, b] = pair;
    const double d = riemannianDistance(relativeEigenvalues(in.groups[a].s, factors[b]));
    if (std::isnan(d)) {
      throw Error("the distance between " + in.groups[a].label + " and " + in.groups[b].label +
                  " cannot be computed: a covariance matrix is numerically singular; reduce "
                  "the variables to fewer principal components first");
    }
    out.riemannian(a, b) = out.riemannian(b, a) = d;
    if (options.logEuclidean) {
      out.logEuclidean(a, b) = out.logEuclidean(b, a) = logEuclideanDistance(logs[a], logs[b]);
    }
  }
}

// One replicate: for each pair, its two groups' specimens dealt out anew
// and the distance of the resulting matrices.
class PermutationTask : public ReplicateTask {
 public:
  PermutationTask(const StackedGroups& stacked, const std::vector<Reassignment>& pairs,
                  const Progress* progress)
      : m_stacked(stacked), m_pairs(pairs), m_progress(progress) {}

  void run(Index, ReplicateStream& stream, std::span<double> values, Host&) override {
    for (size_t j = 0; j < m_pairs.size(); ++j) {
      // Many groups make one replicate long.
      if ((j + 1) % kPairsPerCheck == 0) {
        throwIfCancelled(m_progress);
      }
      m_pairs[j].deal(stream, m_dealt, m_scratch);
      values[j] = distanceOf(pooledWithinSubgroups(m_stacked.x, m_dealt[0]),
                             pooledWithinSubgroups(m_stacked.x, m_dealt[1]));
    }
  }

 private:
  const StackedGroups& m_stacked;
  const std::vector<Reassignment>& m_pairs;
  const Progress* m_progress;
  std::vector<std::vector<Subgroup>> m_dealt;
  std::vector<Index> m_scratch;
};

void permutationTests(const CovarianceInput& in, const DistanceOptions& options,
                      CovarianceDistances& out) {
  const std::vector<IndexPair> pairs = tableOrderPairs(in.groups.size());
  const StackedGroups stacked = stackGroups(in.groups);
  std::vector<Reassignment> dealers;
  for (const IndexPair& pair : pairs) {
    dealers.emplace_back(in.groups, stacked, std::vector<size_t>{pair.first, pair.second});
  }
  ReplicateResults results = runReplicates(
      options.resampling.replicates, static_cast<int>(pairs.size()),
      [&] {
        return std::make_unique<PermutationTask>(stacked, dealers, options.resampling.progress);
      },
      replicateRunOptions(options.resampling), silentHost());
  out.replicates = results.count();
  out.values = results.inReplicateOrder();
  out.pValues = Matrix::Zero(out.riemannian.rows(), out.riemannian.cols());
  out.pValues.diagonal().setConstant(kNaN);
  for (size_t j = 0; j < pairs.size(); ++j) {
    DistanceTest t;
    t.first = pairs[j].first;
    t.second = pairs[j].second;
    t.observed = out.riemannian(t.first, t.second);
    t.p = empiricalPValue(results.sorted(static_cast<int>(j)), t.observed, Tail::kAtLeast);
    t.undefined = out.values.col(static_cast<Index>(j)).array().isNaN().count();
    out.pValues(t.first, t.second) = out.pValues(t.second, t.first) = t.p;
    out.tests.push_back(t);
  }
}

}  // namespace

CovarianceDistances covarianceDistances(const CovarianceInput& in, const DistanceOptions& options) {
  requireInvertibleCovariances(in);
  CovarianceDistances out;
  out.reduction = in.reduction;
  out.variables = in.variables();
  for (const GroupCovariance& g : in.groups) {
    out.labels.push_back(g.label);
    out.sizes.push_back(groupSizeText(g));
  }
  observedDistances(in, options, out);
  out.ordination = principalCoordinates(out.riemannian.cwiseAbs2());
  if (options.resampling.replicates > 0) {
    permutationTests(in, options, out);
  }
  return out;
}

}  // namespace vexmoor
