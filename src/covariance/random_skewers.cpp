#include "covariance/random_skewers.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "compare/resampling_tests.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

// Multiplications per block of skewers: a few milliseconds of work, so
// that a cancel request is heard soon.
constexpr double kBlockWork = 2e7;
constexpr Index kLargestBlock = 256;

double cosine(const double* a, const double* b, Index p) {
  Eigen::Map<const Vector> x(a, p), y(b, p);
  return x.dot(y) / (x.norm() * y.norm());
}

struct SkewerRun {
  const CovarianceInput& in;
  std::uint64_t seed;
  Index count;
  Index block;
  std::vector<IndexPair> pairs;
  std::vector<Vector>& correlations;  // one per pair
  Vector& reference;
};

// One block of skewers: each drawn from its own stream, all groups'
// responses at once.
class SkewerTask : public ReplicateTask {
 public:
  explicit SkewerTask(const SkewerRun& run) : m_run(run), m_responses(run.in.groups.size()) {}

  void run(Index replicate, ReplicateStream&, std::span<double> values, Host&) override {
    const Index p = m_run.in.variables();
    const Index first = replicate * m_run.block;
    const Index n = std::min(m_run.block, m_run.count - first);
    m_skewers.resize(p, n);
    m_other.resize(p);
    for (Index j = 0; j < n; ++j) {
      ReplicateStream stream(m_run.seed, static_cast<std::uint64_t>(first + j));
      drawUnitVector(stream, m_skewers.col(j).data(), p);
      drawUnitVector(stream, m_other.data(), p);
      m_run.reference(first + j) = m_skewers.col(j).dot(m_other);
    }
    for (size_t g = 0; g < m_responses.size(); ++g) {
      m_responses[g].noalias() = m_run.in.groups[g].s * m_skewers;
    }
    for (size_t k = 0; k < m_run.pairs.size(); ++k) {
      const Matrix& a = m_responses[m_run.pairs[k].first];
      const Matrix& b = m_responses[m_run.pairs[k].second];
      for (Index j = 0; j < n; ++j) {
        m_run.correlations[k](first + j) = cosine(a.col(j).data(), b.col(j).data(), p);
      }
    }
    values[0] = static_cast<double>(n);
  }

 private:
  const SkewerRun& m_run;
  Matrix m_skewers;
  Vector m_other;
  std::vector<Matrix> m_responses;
};

SkewerPair summarised(const IndexPair& pair, Vector correlations, const Vector& reference) {
  SkewerPair out;
  out.first = pair.first;
  out.second = pair.second;
  const Index n = correlations.size();
  out.meanCorrelation = correlations.mean();
  out.sd = n > 1 ? std::sqrt((correlations.array() - out.meanCorrelation).square().sum() /
                             static_cast<double>(n - 1))
                 : 0.0;
  double angles = 0;
  for (double r : correlations) {
    angles += std::acos(std::clamp(r, -1.0, 1.0));
  }
  out.meanAngle = angles / static_cast<double>(n) * kDegreesPerRadian;
  out.p = empiricalPValue({reference.data(), static_cast<size_t>(n)}, out.meanCorrelation,
                          Tail::kAtLeast);
  out.correlations = std::move(correlations);
  return out;
}

}  // namespace

void drawUnitVector(ReplicateStream& stream, double* out, Index p) {
  // Box–Muller: two deviates from two uniforms, without rejection.
  for (Index i = 0; i < p; i += 2) {
    const double radius = std::sqrt(-2.0 * std::log(stream.uniform()));
    const double turn = 2.0 * kPi * stream.uniform();
    out[i] = radius * std::cos(turn);
    if (i + 1 < p) {
      out[i + 1] = radius * std::sin(turn);
    }
  }
  Eigen::Map<Vector>(out, p).normalize();
}

Vector randomSkewer(std::uint64_t seed, Index j, Index p) {
  ReplicateStream stream(seed, static_cast<std::uint64_t>(j));
  Vector out(p);
  drawUnitVector(stream, out.data(), p);
  return out;
}

RandomSkewers randomSkewers(const CovarianceInput& in, const CovarianceResampling& resampling) {
  if (resampling.replicates < 1) {
    throw Error("random skewers need at least 1 skewer; asked for " +
                std::to_string(resampling.replicates));
  }
  for (const GroupCovariance& g : in.groups) {
    if (!(g.s.cwiseAbs().maxCoeff() > 0)) {
      throw Error(g.label + " does not vary: every response to selection would be 0");
    }
  }
  RandomSkewers out;
  out.reduction = in.reduction;
  out.variables = in.variables();
  out.skewers = resampling.replicates;
  for (const GroupCovariance& g : in.groups) {
    out.labels.push_back(g.label);
  }
  const std::vector<IndexPair> pairs = tableOrderPairs(in.groups.size());
  std::vector<Vector> correlations(pairs.size(), Vector(resampling.replicates));
  out.reference.resize(resampling.replicates);
  const double p = static_cast<double>(in.variables());
  const double work = p * p * static_cast<double>(in.groups.size()) + 4 * p;
  const Index block = std::clamp<Index>(static_cast<Index>(kBlockWork / work), 1, kLargestBlock);
  SkewerRun run{in,
                resampling.seed.value_or(freshSeed()),
                resampling.replicates,
                block,
                pairs,
                correlations,
                out.reference};
  CovarianceResampling blocks = resampling;
  blocks.seed = run.seed;
  runReplicates((resampling.replicates + block - 1) / block, 1,
                [&] { return std::make_unique<SkewerTask>(run); }, replicateRunOptions(blocks),
                silentHost());
  for (size_t k = 0; k < pairs.size(); ++k) {
    out.pairs.push_back(summarised(pairs[k], std::move(correlations[k]), out.reference));
  }
  return out;
}

}  // namespace vexmoor
