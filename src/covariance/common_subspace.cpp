#include "covariance/common_subspace.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include <Eigen/Eigenvalues>

#include "compare/leading_axes.h"
#include "compare/resampling_tests.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

// The number of eigenvalues above rounding of the largest.
Index rankOf(const Matrix& s) {
  Eigen::SelfAdjointEigenSolver<Matrix> eig(s, Eigen::EigenvaluesOnly);
  const double largest = eig.eigenvalues().maxCoeff();
  const double floor =
      1e3 * static_cast<double>(s.rows()) * std::numeric_limits<double>::epsilon() * largest;
  return largest > 0 ? (eig.eigenvalues().array() > floor).count() : 0;
}

// Each group's leading k axes; throws naming a group that varies in fewer
// than k directions.
std::vector<Matrix> observedBases(const CovarianceInput& in, int k, const Progress* progress) {
  std::vector<Matrix> bases;
  LeadingAxesSolver solver;
  for (const GroupCovariance& g : in.groups) {
    throwIfCancelled(progress);
    solver.compute(g.s, k);
    const double floor = 1e3 * static_cast<double>(g.s.rows()) *
                         std::numeric_limits<double>::epsilon() * solver.variances()(0);
    if (!(solver.variances()(k - 1) > floor)) {
      throw Error("the common subspace compares each group's first " + std::to_string(k) +
                  " principal components, but " + g.label + " varies in only " +
                  std::to_string(rankOf(g.s)) + " independent directions (" +
                  std::to_string(g.specimens()) + " specimens)");
    }
    bases.emplace_back(solver.axes());
  }
  return bases;
}

// The eigenvalues of H alone, the r leading ones, into `out`.
class SubspaceEigenvalues {
 public:
  void compute(const std::vector<Matrix>& bases, Index r, double* out) {
    const Index p = bases.front().rows();
    const Index k = bases.front().cols();
    const Index width = k * static_cast<Index>(bases.size());
    if (p <= width) {
      m_h.setZero(p, p);
      for (const Matrix& a : bases) {
        m_h.selfadjointView<Eigen::Lower>().rankUpdate(a);
      }
      m_eig.compute(m_h, Eigen::EigenvaluesOnly);
    } else {
      // H = AAᵀ and AᵀA share their nonzero eigenvalues.
      m_a.resize(p, width);
      for (size_t g = 0; g < bases.size(); ++g) {
        m_a.middleCols(static_cast<Index>(g) * k, k) = bases[g];
      }
      m_h.noalias() = m_a.transpose() * m_a;
      m_eig.compute(m_h, Eigen::EigenvaluesOnly);
    }
    const Vector& values = m_eig.eigenvalues();
    for (Index i = 0; i < r; ++i) {
      out[i] = values(values.size() - 1 - i);
    }
  }

 private:
  Matrix m_h, m_a;
  Eigen::SelfAdjointEigenSolver<Matrix> m_eig;
};

// One replicate of the null: the specimens dealt out to the groups anew,
// each group's leading axes, H's leading eigenvalues.
class NullTask : public ReplicateTask {
 public:
  NullTask(const StackedGroups& stacked, const Reassignment& dealer, int k)
      : m_stacked(stacked), m_dealer(dealer), m_k(k) {}

  void run(Index, ReplicateStream& stream, std::span<double> values, Host&) override {
    m_dealer.deal(stream, m_dealt, m_scratch);
    m_bases.resize(m_dealt.size());
    for (size_t g = 0; g < m_dealt.size(); ++g) {
      m_solver.compute(pooledWithinSubgroups(m_stacked.x, m_dealt[g]), m_k);
      m_bases[g] = m_solver.axes();
    }
    m_values.compute(m_bases, static_cast<Index>(values.size()), values.data());
  }

 private:
  const StackedGroups& m_stacked;
  const Reassignment& m_dealer;
  int m_k;
  std::vector<std::vector<Subgroup>> m_dealt;
  std::vector<Index> m_scratch;
  std::vector<Matrix> m_bases;
  LeadingAxesSolver m_solver;
  SubspaceEigenvalues m_values;
};

SubspaceNull nullOf(const CovarianceInput& in, const CommonSubspace& observed,
                    const SubspaceOptions& options) {
  const StackedGroups stacked = stackGroups(in.groups);
  std::vector<size_t> all(in.groups.size());
  for (size_t g = 0; g < all.size(); ++g) {
    all[g] = g;
  }
  const Reassignment dealer(in.groups, stacked, all);
  const Index r =
      std::min<Index>(observed.variables, static_cast<Index>(in.groups.size()) * options.k);
  ReplicateResults results = runReplicates(
      options.resampling.replicates, static_cast<int>(r),
      [&] { return std::make_unique<NullTask>(stacked, dealer, options.k); },
      replicateRunOptions(options.resampling), silentHost());
  SubspaceNull out;
  out.replicates = results.count();
  out.values = results.inReplicateOrder();
  out.p.resize(r);
  for (Index j = 0; j < r; ++j) {
    out.p(j) = empiricalPValue(results.sorted(static_cast<int>(j)), observed.eigenvalues(j),
                               Tail::kAtLeast);
  }
  return out;
}

}  // namespace

SubspaceSum subspaceSum(const std::vector<Matrix>& bases, int vectors) {
  const Index p = bases.front().rows();
  const Index k = bases.front().cols();
  const Index width = k * static_cast<Index>(bases.size());
  SubspaceSum out;
  if (p <= width) {
    Matrix h = Matrix::Zero(p, p);
    for (const Matrix& a : bases) {
      h.noalias() += a * a.transpose();
    }
    Eigen::SelfAdjointEigenSolver<Matrix> eig(h);
    out.values = eig.eigenvalues().reverse();
    out.vectors = eig.eigenvectors().rowwise().reverse().leftCols(vectors);
    return out;
  }
  // H = AAᵀ: its nonzero eigenvalues are those of AᵀA, and an eigenvector u
  // of AᵀA gives Au/√μ of H.
  Matrix a(p, width);
  for (size_t g = 0; g < bases.size(); ++g) {
    a.middleCols(static_cast<Index>(g) * k, k) = bases[g];
  }
  Eigen::SelfAdjointEigenSolver<Matrix> eig(a.transpose() * a);
  out.values = Vector::Zero(p);
  out.values.head(width) = eig.eigenvalues().reverse().cwiseMax(0.0);
  out.vectors.resize(p, vectors);
  for (int j = 0; j < vectors; ++j) {
    out.vectors.col(j) = (a * eig.eigenvectors().col(width - 1 - j)).normalized();
  }
  return out;
}

CommonSubspace commonSubspace(const CovarianceInput& in, const SubspaceOptions& options) {
  const Index p = in.variables();
  if (options.k < 1 || options.k > p) {
    throw Error(
        "the number of principal components of each group must be a whole number from "
        "1 to the " +
        std::to_string(p) + " variables; it is " + std::to_string(options.k));
  }
  if (in.groups.size() < 2) {
    throw Error("a common subspace needs at least 2 groups; there are " +
                std::to_string(in.groups.size()));
  }
  const std::vector<Matrix> bases = observedBases(in, options.k, options.resampling.progress);
  SubspaceSum h = subspaceSum(bases, options.k);
  CommonSubspace out;
  out.reduction = in.reduction;
  out.variables = p;
  out.k = options.k;
  out.eigenvalues = h.values;
  out.vectors = std::move(h.vectors);
  out.loadings = signedLoadings(in.reduction, out.vectors);
  out.displacements = landmarkDisplacements(out.loadings, options.map, options.resampling.progress);
  out.angles.resize(static_cast<Index>(in.groups.size()), options.k);
  for (size_t g = 0; g < in.groups.size(); ++g) {
    out.labels.push_back(in.groups[g].label);
    for (int j = 0; j < options.k; ++j) {
      // From the sine and the cosine together: acos alone loses small angles.
      const Vector along = bases[g].transpose() * out.vectors.col(j);
      const double sine = (out.vectors.col(j) - bases[g] * along).norm();
      out.angles(static_cast<Index>(g), j) = std::atan2(sine, along.norm()) * kDegreesPerRadian;
    }
  }
  if (options.resampling.replicates > 0) {
    out.null = nullOf(in, out, options);
  }
  return out;
}

}  // namespace vexmoor
