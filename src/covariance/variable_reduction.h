// Reductions of many variables to a few principal components before their
// covariance matrices are compared, and the way back from the components to
// the variables and, through a shape-variable map, to landmark
// displacements of the consensus.
//
// Relative eigenanalysis and covariance distances need covariance matrices
// that can be inverted, so each group must have more specimens than
// variables; with landmark data that usually means reducing first.
#pragma once

#include <string>
#include <vector>

#include "covariance/covariance_groups.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"
#include "shape/shape_variable_map.h"

namespace vexmoor {

enum class ReductionKind {
  kNone,                    // the variables as they are
  kTotalComponents,         // of all specimens together, about the grand mean
  kPooledWithinComponents,  // of the pooled within-group covariance matrix
};

struct VariableReduction {
  ReductionKind kind = ReductionKind::kNone;
  int components = 0;   // M; 0 for none
  Index variables = 0;  // q: the variables before the reduction
  // q × M: the components as unit, orthogonal columns, leading first, each
  // with its largest-magnitude entry positive. Empty for none.
  Matrix axes;
  // 1 × q: what the scores are measured from (the mean of all specimens);
  // empty for none.
  RowVector centre;
  // The share of the variance (of all specimens together, or pooled within
  // groups) that the M components hold; 1 for none.
  double share = 1;
};

// The first M principal components of the covariance matrix of all
// specimens of all groups together, about their grand mean (the scores
// are those of a principal-component analysis of the stacked rows).
// Throws vexmoor::Error unless 1 <= M <= q and M is smaller than every
// group's number of specimens (naming the first group that has no more);
// Cancelled when `progress` asks, on many variables.
VariableReduction totalComponents(const std::vector<CovarianceGroup>& groups, int m,
                                  const Progress* progress = nullptr);

// The first M principal components of the pooled within-group covariance
// matrix Σg (ng − 1)·Sg / Σg (ng − 1). Throws as totalComponents does.
VariableReduction pooledWithinComponents(const std::vector<CovarianceGroup>& groups, int m,
                                         const Progress* progress = nullptr);

// x (m × q) on the reduction's components: (x − centre)·axes, m × M; x
// itself for none.
Matrix reducedScores(const VariableReduction& r, const Matrix& x);

// A direction of the analysed variables (M values, or q for none) as
// loadings on the q variables: axes·v. A unit v gives a unit loading.
Vector variableLoading(const VariableReduction& r, const Vector& v);

// The loadings (q × c) of the columns of `vectors` (directions of the
// analysed variables), each turned so that its largest-magnitude entry is
// positive; `vectors` turned alike.
Matrix signedLoadings(const VariableReduction& r, Matrix& vectors);

// The landmark displacement (landmarks × d) of each column of `loadings`
// (q × c, on the variables before the reduction), through the
// shape-variable map; empty when `map` is null (variables that are no
// functions of landmarks). Looks for a cancel request between columns.
std::vector<Matrix> landmarkDisplacements(const Matrix& loadings, const ShapeVariableMap* map,
                                          const Progress* progress = nullptr);

// The line that says which variables were analysed: "Variables: the first
// 5 principal components of all specimens together (68.3 % of their
// variance)". Empty for none.
std::string reductionLine(const VariableReduction& r);

}  // namespace vexmoor
