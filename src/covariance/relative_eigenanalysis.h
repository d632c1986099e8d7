// Relative eigenanalysis of two groups' covariance matrices: in which
// directions, and by how much, one group varies more than the other; the
// ratio of their generalised variances, the Riemannian distance between
// the matrices, and a test of their proportionality, with bootstrap
// intervals for the relative eigenvalues and the log ratio.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "covariance/covariance_input.h"
#include "covariance/covariance_resampling.h"
#include "runtime/matrix.h"
#include "shape/shape_variable_map.h"

namespace vexmoor {

// The likelihood-ratio test that S₁ is a multiple of S₂: statistic
// ½·n·p·ln(a / g), a and g the arithmetic and geometric means of the
// relative eigenvalues, against χ² with (p − 1)(p + 2)/2 degrees of freedom.
struct Proportionality {
  double statistic = 0;
  double df = 0;
  double p = 0;
  double n = 0;               // the harmonic mean of the two groups' sizes
  bool fewSpecimens = false;  // n < 10·p: the χ² approximation is rough
};

// The bootstrap within groups: each group's specimens (each sub-group's)
// drawn with replacement, sizes kept, on the observed reduction.
struct RelativeEigenBootstrap {
  Index replicates = 0;
  double level = 0.95;
  // replicates × (p + 1) in replicate order: the relative eigenvalues,
  // descending, then the log ratio of generalised variances. A row of NaN
  // where the second group's resampled matrix was singular.
  Matrix values;
  Vector lower, upper;  // p + 1 each: the percentile interval of each column
  Index undefined = 0;  // rows of NaN
};

// One group relative to another: S_first relative to S_second.
struct RelativeEigenPair {
  size_t first = 0, second = 1;  // 0-based group numbers
  Vector eigenvalues;            // p, descending
  // p × p: the relative eigenvectors on the analysed variables, unit
  // columns, signs as their loadings'.
  Matrix vectors;
  // q × p: the same on the variables before any reduction, unit columns,
  // each with its largest-magnitude entry positive.
  Matrix loadings;
  // For each loading, the landmark displacement (landmarks × d) of a unit
  // change along it; empty without a shape-variable map.
  std::vector<Matrix> displacements;
  // p × 2: each group's standard deviation along each vector, √(vᵀSv);
  // their squared ratio is the relative eigenvalue.
  Matrix deviations;
  double generalizedVarianceRatio = 0;     // Π λᵢ = det S_first / det S_second
  double logGeneralizedVarianceRatio = 0;  // Σ ln λᵢ
  double riemannianDistance = 0;           // √Σ ln² λᵢ
  Proportionality proportionality;
  std::optional<RelativeEigenBootstrap> bootstrap;
};

struct RelativeEigenanalysis {
  VariableReduction reduction;
  std::vector<std::string> labels;  // of all groups
  std::vector<std::string> sizes;   // groupSizeText of each group
  Index variables = 0;              // p
  std::vector<RelativeEigenPair> pairs;
};

struct RelativeEigenOptions {
  std::vector<IndexPair> pairs;  // empty: tableOrderPairs
  CovarianceResampling resampling;
  double level = 0.95;  // of the bootstrap intervals
  // Where the variables are shape variables of landmarks: the map from
  // them to landmark displacements. May be null.
  const ShapeVariableMap* map = nullptr;
};

// Throws vexmoor::Error as requireInvertibleCovariances does, and for a
// pair naming a group out of range or a group with itself; Cancelled when
// the progress asks (the bootstrap heeds it between replicates).
RelativeEigenanalysis relativeEigenanalysis(const CovarianceInput& in,
                                            const RelativeEigenOptions& options = {});

// The proportionality test of relative eigenvalues λ (all positive) of
// groups of n1 and n2 specimens.
Proportionality proportionalityTest(const Vector& relativeValues, double n1, double n2);

// The upper tail of χ² with `df` degrees of freedom at `x`.
double chiSquaredUpperTail(double x, double df);

}  // namespace vexmoor
