// The result texts of the covariance analyses, made from their result
// structs. Ratios, distances and eigenvalues (all without units) print with
// 7 decimals, shares and angles with 3 and 2, p-values with 7 significant
// digits, correlations with 4 decimals.
#pragma once

#include <string>

#include "covariance/common_subspace.h"
#include "covariance/covariance_distances.h"
#include "covariance/matrix_correlation.h"
#include "covariance/random_skewers.h"
#include "covariance/relative_eigenanalysis.h"

namespace vexmoor {

// What a text says of the variables before any reduction and of the
// sub-groups, beside what the result struct holds.
struct VariablesNote {
  // "partial-warp and uniform scores"; empty: "variables as given".
  std::string source;
  // Where the sub-groups whose covariance matrices were pooled come from
  // ("column Sex", "as given" for labels a caller passed); empty for none.
  std::string within;
};

// The second line says which variables were analysed: with a reduction,
// which one and the share of the variance it holds.
std::string relativeEigenanalysisText(const RelativeEigenanalysis& r,
                                      const VariablesNote& note = {});
std::string covarianceDistancesText(const CovarianceDistances& d, const VariablesNote& note = {});
// Without `meanAngle` the mean angles are left out.
std::string randomSkewersText(const RandomSkewers& s, const VariablesNote& note = {},
                              bool meanAngle = true);
std::string matrixCorrelationText(const MatrixCorrelation& c, const VariablesNote& note = {});
std::string commonSubspaceText(const CommonSubspace& h, const VariablesNote& note = {});

}  // namespace vexmoor
