#include "covariance/variable_reduction.h"

#include <cstdio>

#include "compare/principal_axes.h"
#include "cpc/model_hierarchy.h"
#include "runtime/error.h"
#include "shape/eigenvector_signs.h"

namespace vexmoor {
namespace {

// 1 <= m <= q, and m below every group's size: the reduced covariance
// matrices can then be of full rank.
void checkComponentCount(const std::vector<CovarianceGroup>& groups, int m) {
  const Index q = groups.front().x.cols();
  if (m < 1 || m > q) {
    throw Error("the number of principal components must be a whole number from 1 to the " +
                std::to_string(q) + " variables; it is " + std::to_string(m));
  }
  for (const CovarianceGroup& g : groups) {
    if (m >= g.x.rows()) {
      throw Error("the number of principal components (" + std::to_string(m) +
                  ") must be smaller than every group's number of specimens; " + g.label + " has " +
                  std::to_string(g.x.rows()));
    }
  }
}

Matrix stackedRows(const std::vector<CovarianceGroup>& groups) {
  Index rows = 0;
  for (const CovarianceGroup& g : groups) {
    rows += g.x.rows();
  }
  Matrix all(rows, groups.front().x.cols());
  Index at = 0;
  for (const CovarianceGroup& g : groups) {
    all.middleRows(at, g.x.rows()) = g.x;
    at += g.x.rows();
  }
  return all;
}

VariableReduction reductionOf(ReductionKind kind, Matrix axes, RowVector centre, double share) {
  VariableReduction r;
  r.kind = kind;
  r.components = static_cast<int>(axes.cols());
  r.variables = axes.rows();
  fixEigenvectorSigns(axes);
  r.axes = std::move(axes);
  r.centre = std::move(centre);
  r.share = share;
  return r;
}

}  // namespace

VariableReduction totalComponents(const std::vector<CovarianceGroup>& groups, int m,
                                  const Progress* progress) {
  checkComponentCount(groups, m);
  Matrix all = stackedRows(groups);
  RowVector centre = all.colwise().mean();
  Matrix axes = leadingPrincipalAxes(all, m, progress);
  all.rowwise() -= centre;
  const double total = all.squaredNorm();
  const double share = total > 0 ? (all * axes).squaredNorm() / total : 0.0;
  return reductionOf(ReductionKind::kTotalComponents, std::move(axes), std::move(centre), share);
}

VariableReduction pooledWithinComponents(const std::vector<CovarianceGroup>& groups, int m,
                                         const Progress* progress) {
  checkComponentCount(groups, m);
  std::vector<const Matrix*> x;
  std::vector<std::string> labels;
  for (const CovarianceGroup& g : groups) {
    x.push_back(&g.x);
    labels.push_back(g.label);
  }
  PooledComponents pooled = pooledComponents(x, m, labels, progress);
  RowVector centre = stackedRows(groups).colwise().mean();
  return reductionOf(ReductionKind::kPooledWithinComponents, std::move(pooled.axes),
                     std::move(centre), pooled.share);
}

Matrix reducedScores(const VariableReduction& r, const Matrix& x) {
  if (r.kind == ReductionKind::kNone) {
    return x;
  }
  return (x.rowwise() - r.centre) * r.axes;
}

Vector variableLoading(const VariableReduction& r, const Vector& v) {
  if (r.kind == ReductionKind::kNone) {
    return v;
  }
  return r.axes * v;
}

Matrix signedLoadings(const VariableReduction& r, Matrix& vectors) {
  Matrix loadings(r.kind == ReductionKind::kNone ? vectors.rows() : r.variables, vectors.cols());
  for (Index j = 0; j < vectors.cols(); ++j) {
    loadings.col(j) = variableLoading(r, vectors.col(j));
  }
  Matrix fixed = loadings;
  fixEigenvectorSigns(fixed);
  for (Index j = 0; j < vectors.cols(); ++j) {
    if (fixed.col(j).dot(loadings.col(j)) < 0) {
      vectors.col(j) = -vectors.col(j);
    }
  }
  return fixed;
}

std::vector<Matrix> landmarkDisplacements(const Matrix& loadings, const ShapeVariableMap* map,
                                          const Progress* progress) {
  std::vector<Matrix> out;
  if (!map) {
    return out;
  }
  for (Index j = 0; j < loadings.cols(); ++j) {
    throwIfCancelled(progress);
    out.push_back(map->displacement(loadings.col(j)));
  }
  return out;
}

std::string reductionLine(const VariableReduction& r) {
  if (r.kind == ReductionKind::kNone) {
    return "";
  }
  const char* of = r.kind == ReductionKind::kTotalComponents
                       ? "of all specimens together"
                       : "of the pooled within-group covariance matrix";
  char share[32];
  std::snprintf(share, sizeof share, "%.1f", 100 * r.share);
  return "Variables: the first " + std::to_string(r.components) + " principal components " + of +
         " (" + share + " % of " + (r.kind == ReductionKind::kTotalComponents ? "their" : "its") +
         " variance)";
}

}  // namespace vexmoor
