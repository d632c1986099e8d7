#include "compare/principal_components.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>

#include "compare/group_checks.h"
#include "compare/leading_axes.h"
#include "compare/principal_axes.h"
#include "compare/subspace_angle.h"
#include "runtime/error.h"
#include "runtime/stepwise_eigen.h"
#include "shape/eigenvector_signs.h"
#include "shape/shape_variable_map.h"

namespace vexmoor {
namespace {

constexpr Index kLeastShown = 5;

template <typename... T>
std::string printed(const char* fmt, T... values) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, fmt, values...);
  return buffer;
}

ShapeVariableMap mapOf(const PooledInput& in, const AnalysisSettings& settings, Index p) {
  if (settings.threeD) {
    return in.basis3D ? ShapeVariableMap::partialWarps3D(*in.basis3D, p)
                      : ShapeVariableMap::partialWarps3D(in.consensus, p);
  }
  if (settings.partialWarps) {
    return ShapeVariableMap::partialWarps2D(in.consensus, p);
  }
  // The variables are the landmark data columns, the trailing value last.
  return ShapeVariableMap::coordinates((p - 1) / 2, 2, p);
}

// The mean of every specimen's coordinates, landmarks × 2.
Matrix rawMeanShape(const PooledInput& in, Index landmarks) {
  RowVector sum = RowVector::Zero(2 * landmarks);
  Index count = 0;
  for (const PreparedGroup& g : in.groups) {
    sum += g.x.leftCols(2 * landmarks).colwise().sum();
    count += g.x.rows();
  }
  RowVector mean = sum / static_cast<double>(count);
  return mean.reshaped<Eigen::RowMajor>(landmarks, 2);
}

// Eigenvalues of a covariance below zero are rounding.
Vector variancesOf(const Vector& eigenvalues) {
  return eigenvalues.cwiseMax(0.0);
}

// A group's spread in the shape variables. With many more variables than
// specimens (thousands of landmarks) the p × p covariance is never formed:
// its nonzero eigenvalues are those of the specimens' inner products, its
// leading axes come from them, and a variance along a direction is the
// specimens' own. Fewer variables keep the covariance, as every pinned
// result was computed.
class Spread {
 public:
  Spread(const Matrix& x, const Progress* progress)
      : m_progress(progress),
        m_centred(x.rowwise() - x.colwise().mean()),
        m_thin(x.cols() >= kStepwiseSize && x.rows() - 1 < x.cols()) {
    if (!m_thin) {
      m_covariance = covariance(x);
    } else if (x.rows() < 2) {
      covariance(x);  // its message
    }
  }

  // Every eigenvalue (p of them), descending, none below 0.
  Vector eigenvalues() const {
    if (!m_thin) {
      Eigen::SelfAdjointEigenSolver<Matrix> values(m_covariance, Eigen::EigenvaluesOnly);
      return variancesOf(values.eigenvalues().reverse());
    }
    Matrix inner = innerProducts(m_centred, m_progress) / divisor();
    Eigen::SelfAdjointEigenSolver<Matrix> values(inner, Eigen::EigenvaluesOnly);
    Vector all = Vector::Zero(m_centred.cols());
    all.head(inner.rows()) = variancesOf(values.eigenvalues().reverse());
    return all;
  }

  // The k leading unit axes, signs fixed, and their variances.
  PrincipalAxes leading(int k) const {
    PrincipalAxes out;
    if (m_thin) {
      out.variances = eigenvalues().head(k);
      out.axes = leadingPrincipalAxes(m_centred, k, m_progress);
    } else {
      // Only the k leading: a full decomposition costs several times more.
      LeadingAxesSolver solver;
      solver.compute(m_covariance, k);
      out.variances = variancesOf(solver.variances());
      out.axes = solver.axes();
    }
    fixEigenvectorSigns(out.axes);
    return out;
  }

  double total() const {
    return m_thin ? m_centred.squaredNorm() / divisor() : m_covariance.trace();
  }

  double varianceAlong(const Vector& direction) const {
    double v = m_thin ? (m_centred * direction).squaredNorm() / divisor()
                      : direction.dot(m_covariance * direction);
    return std::max(0.0, v);
  }

 private:
  double divisor() const { return static_cast<double>(m_centred.rows() - 1); }

  const Progress* m_progress;
  Matrix m_centred;
  bool m_thin;
  Matrix m_covariance;
};

GroupComponents groupComponents(const PreparedGroup& g, int k, const ShapeVariableMap& map,
                                const Spread& spread) {
  GroupComponents out;
  out.label = g.label;
  out.eigenvalues = spread.eigenvalues();
  double total = out.eigenvalues.sum();
  out.shares = total > 0 ? Vector(out.eigenvalues / total) : Vector::Zero(out.eigenvalues.size());
  out.cumulative.resize(out.shares.size());
  double running = 0;
  for (Index i = 0; i < out.shares.size(); ++i) {
    running += out.shares(i);
    out.cumulative(i) = running;
  }
  Matrix leading = spread.leading(k).axes;
  for (int j = 0; j < k; ++j) {
    ComponentAxis axis;
    axis.eigenvalue = out.eigenvalues(j);
    axis.share = out.shares(j);
    axis.loading = leading.col(j);
    axis.displacement = map.displacement(axis.loading * std::sqrt(axis.eigenvalue));
    out.axes.push_back(std::move(axis));
  }
  RowVector mean = g.x.colwise().mean();
  out.scores = (g.x.rowwise() - mean) * leading;
  return out;
}

ComponentPair componentPair(size_t a, size_t b, const GroupComponents& ga,
                            const GroupComponents& gb, const Spread& spreadA, const Spread& spreadB,
                            const ShapeVariableMap& map) {
  Matrix b1 = leadingBasis(ga), b2 = leadingBasis(gb);
  ComponentPair pair;
  pair.first = a;
  pair.second = b;
  // The angles the angle between the planes sums, so that the two agree.
  pair.angles = principalAngles(b1, b2) * kDegreesPerRadian;
  pair.angle = std::sqrt(pair.angles.squaredNorm());
  // b1ᵀb2 = U Σ Vᵀ: b1·u_i and b2·v_i are the closest directions, their
  // cosine σ_i, descending, so that the angles ascend as above.
  Eigen::JacobiSVD<Matrix> svd(b1.transpose() * b2, Eigen::ComputeFullU | Eigen::ComputeFullV);
  Matrix d1 = b1 * svd.matrixU();
  Matrix d2 = b2 * svd.matrixV();
  Matrix signed1 = d1;
  fixEigenvectorSigns(signed1);
  for (Index i = 0; i < d1.cols(); ++i) {
    DirectionPair dp;
    dp.angle = pair.angles(i);
    bool flipped = signed1.col(i).dot(d1.col(i)) < 0;
    dp.loading[0] = signed1.col(i);
    dp.loading[1] = flipped ? Vector(-d2.col(i)) : Vector(d2.col(i));
    const Spread* spread[2] = {&spreadA, &spreadB};
    for (int s = 0; s < 2; ++s) {
      dp.deviation[s] = std::sqrt(spread[s]->varianceAlong(dp.loading[s]));
      dp.displacement[s] = map.displacement(dp.loading[s] * dp.deviation[s]);
    }
    pair.directions.push_back(std::move(dp));
  }
  return pair;
}

void pooledComponents(const PooledInput& in, Index shown, const Progress* progress,
                      PrincipalComponents& out) {
  Index rows = 0;
  for (const PreparedGroup& g : in.groups) {
    rows += g.x.rows();
  }
  Matrix all(rows, out.variables);
  Index row = 0;
  for (const PreparedGroup& g : in.groups) {
    all.middleRows(row, g.x.rows()) = g.x;
    row += g.x.rows();
  }
  Spread spread(all, progress);
  PrincipalAxes leading = spread.leading(static_cast<int>(shown));
  double total = spread.total();
  out.pooledEigenvalues = leading.variances;
  out.pooledShares = total > 0 ? Vector(out.pooledEigenvalues / total) : Vector::Zero(shown);
  out.pooledAxes = std::move(leading.axes);
  RowVector mean = all.colwise().mean();
  for (const PreparedGroup& g : in.groups) {
    out.pooledScores.push_back((g.x.rowwise() - mean) * out.pooledAxes);
  }
}

std::string componentsText(const PrincipalComponents& pc) {
  std::string text = printed("Principal components of each group, using %d components", pc.k);
  Index shown = shownComponents(pc.k, pc.variables);
  for (size_t g = 0; g < pc.groups.size(); ++g) {
    const GroupComponents& gc = pc.groups[g];
    text += "\n\n" + gc.label + ": " + std::to_string(pc.pooledScores[g].rows()) + " specimens, " +
            std::to_string(pc.variables) + " variables";
    text += "\n component    eigenvalue   share %   cumulative %";
    for (Index i = 0; i < shown; ++i) {
      text += printed("\n %9d  %12.5e  %8.2f  %13.2f", static_cast<int>(i + 1), gc.eigenvalues(i),
                      100 * gc.shares(i), 100 * gc.cumulative(i));
    }
  }
  for (const ComponentPair& p : pc.pairs) {
    text += "\n\nPrincipal angles between " + pc.groups[p.first].label + " and " +
            pc.groups[p.second].label + " (degrees):";
    for (Index i = 0; i < p.angles.size(); ++i) {
      text += printed(" %.2f", p.angles(i));
    }
    text += printed("\nRoot sum of squares: %.2f", p.angle);
  }
  return text;
}

}  // namespace

Matrix leadingBasis(const GroupComponents& g) {
  Matrix b(g.axes.front().loading.size(), static_cast<Index>(g.axes.size()));
  for (size_t j = 0; j < g.axes.size(); ++j) {
    b.col(static_cast<Index>(j)) = g.axes[j].loading;
  }
  return b;
}

Index shownComponents(int k, Index variables) {
  return std::min(variables, std::max<Index>(k, kLeastShown));
}

PrincipalComponents principalComponents(const PooledInput& in, const AnalysisSettings& settings,
                                        const Progress* progress) {
  assert(in.groups.size() >= 2 && in.npca >= 1);
  PrincipalComponents out;
  out.k = in.npca;
  out.dimension = settings.threeD ? 3 : 2;
  out.partialWarps = settings.threeD || settings.partialWarps;
  out.variables = in.n - 1;
  if (!out.partialWarps) {
    // The preparation checks only that raw coordinates vary at all.
    for (const PreparedGroup& g : in.groups) {
      checkShapeVariation(g.x, g.x.cwiseAbs().maxCoeff(), g.label, out.k);
    }
  }
  ShapeVariableMap map = mapOf(in, settings, out.variables);
  out.consensus = out.partialWarps ? in.consensus : rawMeanShape(in, map.landmarks());
  std::vector<Spread> spreads;
  spreads.reserve(in.groups.size());
  for (size_t g = 0; g < in.groups.size(); ++g) {
    throwIfCancelled(progress);
    spreads.emplace_back(in.groups[g].x, progress);
    out.groups.push_back(groupComponents(in.groups[g], out.k, map, spreads[g]));
  }
  pooledComponents(in, shownComponents(out.k, out.variables), progress, out);
  for (size_t a = 0; a < in.groups.size(); ++a) {
    for (size_t b = a + 1; b < in.groups.size(); ++b) {
      out.pairs.push_back(
          componentPair(a, b, out.groups[a], out.groups[b], spreads[a], spreads[b], map));
    }
  }
  out.text = componentsText(out);
  return out;
}

Matrix dataEllipse(const Matrix& points, double level, int segments) {
  assert(points.cols() == 2 && segments >= 3 && level > 0 && level < 1);
  if (points.rows() < 3) {
    return Matrix();
  }
  RowVector mean = points.colwise().mean();
  Matrix c = covariance(points);
  Eigen::SelfAdjointEigenSolver<Matrix> eig(c);
  Vector radii = eig.eigenvalues().cwiseMax(0.0).cwiseSqrt();
  if (!(radii.maxCoeff() > 0) || !radii.allFinite()) {
    return Matrix();
  }
  double scale = std::sqrt(-2.0 * std::log(1.0 - level));
  Matrix out(segments + 1, 2);
  for (int s = 0; s <= segments; ++s) {
    double t = 2 * M_PI * (s % segments) / segments;
    Vector u = eig.eigenvectors() *
               Vector(Eigen::Vector2d(radii(0) * std::cos(t), radii(1) * std::sin(t)));
    out.row(s) = mean + scale * u.transpose();
  }
  return out;
}

}  // namespace vexmoor
