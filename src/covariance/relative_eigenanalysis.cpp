#include "covariance/relative_eigenanalysis.h"

#include <cmath>
#include <limits>
#include <memory>

#include <unsupported/Eigen/SpecialFunctions>

#include "covariance/covariance_geometry.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace vexmoor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Pairs between cancel checks within a replicate.
constexpr size_t kPairsPerCheck = 256;

void checkPairs(const std::vector<IndexPair>& pairs, size_t groups) {
  for (const IndexPair& p : pairs) {
    if (p.first >= groups || p.second >= groups || p.first == p.second) {
      throw Error("a relative eigenanalysis compares two different groups of the " +
                  std::to_string(groups) + "; asked for groups " + std::to_string(p.first + 1) +
                  " and " + std::to_string(p.second + 1));
    }
  }
}

RelativeEigenPair observedPair(const CovarianceInput& in, const IndexPair& pair,
                               const RelativeEigenOptions& options) {
  const GroupCovariance& a = in.groups[pair.first];
  const GroupCovariance& b = in.groups[pair.second];
  std::optional<RelativeEigen> re = relativeEigen(a.s, b.s);
  if (!re || !(re->values.minCoeff() > 0)) {
    throw Error("the relative eigenvalues of " + a.label + " and " + b.label +
                " cannot be computed: a covariance matrix is numerically singular; reduce the "
                "variables to fewer principal components first");
  }
  RelativeEigenPair out;
  out.first = pair.first;
  out.second = pair.second;
  out.eigenvalues = re->values;
  out.vectors = std::move(re->vectors);
  out.loadings = signedLoadings(in.reduction, out.vectors);
  out.displacements = landmarkDisplacements(out.loadings, options.map, options.resampling.progress);
  out.deviations.resize(out.vectors.cols(), 2);
  for (Index j = 0; j < out.vectors.cols(); ++j) {
    const Vector& v = out.vectors.col(j);
    out.deviations(j, 0) = std::sqrt(std::max(0.0, v.dot(a.s * v)));
    out.deviations(j, 1) = std::sqrt(std::max(0.0, v.dot(b.s * v)));
  }
  out.logGeneralizedVarianceRatio = out.eigenvalues.array().log().sum();
  out.generalizedVarianceRatio = std::exp(out.logGeneralizedVarianceRatio);
  out.riemannianDistance = riemannianDistance(out.eigenvalues);
  out.proportionality =
      proportionalityTest(out.eigenvalues, double(a.specimens()), double(b.specimens()));
  return out;
}

// One bootstrap replicate: every group resampled within its sub-groups,
// then each pair's relative eigenvalues and log ratio.
class BootstrapTask : public ReplicateTask {
 public:
  BootstrapTask(const CovarianceInput& in, const std::vector<IndexPair>& pairs,
                const Progress* progress)
      : m_in(in),
        m_pairs(pairs),
        m_progress(progress),
        m_drawn(in.groups.size()),
        m_s(in.groups.size()) {}

  void run(Index, ReplicateStream& stream, std::span<double> values, Host&) override {
    for (size_t g = 0; g < m_in.groups.size(); ++g) {
      drawWithinSubgroups(m_in.groups[g].subgroups, stream, m_drawn[g]);
      m_s[g] = pooledWithinSubgroups(m_in.groups[g].x, m_drawn[g]);
    }
    const Index p = m_in.variables();
    double* out = values.data();
    size_t done = 0;
    for (const IndexPair& pair : m_pairs) {
      // Many pairs make one replicate long.
      if (++done % kPairsPerCheck == 0) {
        throwIfCancelled(m_progress);
      }
      Eigen::LLT<Matrix> llt(m_s[pair.second]);
      Vector lambda =
          llt.info() == Eigen::Success ? relativeEigenvalues(m_s[pair.first], llt) : Vector();
      const bool defined = lambda.size() == p && lambda.minCoeff() > 0;
      for (Index i = 0; i < p; ++i) {
        out[i] = defined ? lambda(i) : kNaN;
      }
      out[p] = defined ? lambda.array().log().sum() : kNaN;
      out += p + 1;
    }
  }

 private:
  const CovarianceInput& m_in;
  const std::vector<IndexPair>& m_pairs;
  const Progress* m_progress;
  std::vector<std::vector<Subgroup>> m_drawn;
  std::vector<Matrix> m_s;
};

void bootstrap(const CovarianceInput& in, const std::vector<IndexPair>& pairs,
               const RelativeEigenOptions& options, std::vector<RelativeEigenPair>& out) {
  const Index p = in.variables();
  const int perPair = static_cast<int>(p + 1);
  ReplicateResults results = runReplicates(
      options.resampling.replicates, perPair * static_cast<int>(pairs.size()),
      [&] { return std::make_unique<BootstrapTask>(in, pairs, options.resampling.progress); },
      replicateRunOptions(options.resampling), silentHost());
  const double tail = (1 - options.level) / 2;
  for (size_t k = 0; k < pairs.size(); ++k) {
    RelativeEigenBootstrap b;
    b.replicates = results.count();
    b.level = options.level;
    const int first = static_cast<int>(k) * perPair;
    b.values = results.inReplicateOrder().middleCols(first, perPair);
    b.lower.resize(perPair);
    b.upper.resize(perPair);
    for (int c = 0; c < perPair; ++c) {
      b.lower(c) = results.lower(first + c, tail);
      b.upper(c) = results.upper(first + c, 1 - tail);
    }
    b.undefined = b.values.col(p).array().isNaN().count();
    out[k].bootstrap = std::move(b);
  }
}

}  // namespace

double chiSquaredUpperTail(double x, double df) {
  if (!(df > 0) || std::isnan(x)) {
    return kNaN;
  }
  if (x <= 0) {
    return 1;
  }
  return Eigen::numext::igammac(0.5 * df, 0.5 * x);
}

Proportionality proportionalityTest(const Vector& relativeValues, double n1, double n2) {
  const double p = static_cast<double>(relativeValues.size());
  Proportionality t;
  t.n = 2 / (1 / n1 + 1 / n2);
  t.df = (p - 1) * (p + 2) / 2;
  t.fewSpecimens = t.n < 10 * p;
  const double arithmetic = relativeValues.mean();
  const double logGeometric = relativeValues.array().log().mean();
  // a >= g always; rounding may leave the log of their ratio just below 0.
  t.statistic = std::max(0.0, 0.5 * t.n * p * (std::log(arithmetic) - logGeometric));
  // One variable: any two matrices are proportional.
  t.p = t.df > 0 ? chiSquaredUpperTail(t.statistic, t.df) : 1.0;
  return t;
}

RelativeEigenanalysis relativeEigenanalysis(const CovarianceInput& in,
                                            const RelativeEigenOptions& options) {
  const std::vector<IndexPair> pairs =
      options.pairs.empty() ? tableOrderPairs(in.groups.size()) : options.pairs;
  checkPairs(pairs, in.groups.size());
  if (!(options.level > 0 && options.level < 1)) {
    throw Error("the level of the bootstrap intervals must lie between 0 and 1; it is " +
                format("%g", {options.level}));
  }
  requireInvertibleCovariances(in);
  RelativeEigenanalysis out;
  out.reduction = in.reduction;
  out.variables = in.variables();
  for (const GroupCovariance& g : in.groups) {
    out.labels.push_back(g.label);
    out.sizes.push_back(groupSizeText(g));
  }
  for (const IndexPair& pair : pairs) {
    throwIfCancelled(options.resampling.progress);
    out.pairs.push_back(observedPair(in, pair, options));
  }
  if (options.resampling.replicates > 0) {
    bootstrap(in, pairs, options, out.pairs);
  }
  return out;
}

}  // namespace vexmoor
