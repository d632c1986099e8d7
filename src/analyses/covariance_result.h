// What the covariance analyses of the analysis table take beyond the
// groups' data (their settings, each group's variables as given and
// sub-groups) and what they give back: the numbers of the one analysis
// that ran, with what the text, the JSON, the replicate table and the
// pictures are made from.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "covariance/common_subspace.h"
#include "covariance/covariance_distances.h"
#include "covariance/matrix_correlation.h"
#include "covariance/random_skewers.h"
#include "covariance/relative_eigenanalysis.h"
#include "runtime/matrix.h"

namespace vexmoor {

// The covariance analyses' own settings, as every door hands them over.
// The pooled within-group reduction is the settings' `pcs`, as for RunCPC.
struct CovarianceSettings {
  // Reduce the variables to the first totalPcs principal components of all
  // specimens together (about the grand mean); 0: no such reduction.
  int totalPcs = 0;
  // The column the groups' sub-groups came from, as the texts and the JSON
  // name it; empty when the groups have none (or came without a column).
  std::string within;
  // RelativeEigenanalysis: every other group relative to this one (by its
  // name); empty: every pair in the table order.
  std::string reference;
  bool logEuclidean = false;  // CovarianceDistances: the log-Euclidean distances as well
  bool diagonal = false;      // MatrixCorrelation: the diagonal elements as well
  bool meanAngle = false;     // RandomSkewers: the mean angle between the responses
  // Draw 100·v² replicates (the bootstrap, the permutation tests, the null
  // of the common subspace). RandomSkewers always draws its 100·v² skewers.
  bool resample = false;
};

// What a covariance analysis takes of a group beside its data matrix.
struct CovarianceGroupInput {
  // Raw coordinates (two dimensions, partial warps off): how many leading
  // columns of the data matrix are the group's variables as given; 0: all.
  Index variables = 0;
  // Those variables are landmark coordinates x1 y1 x2 ..., as the file says.
  bool landmarks = false;
  std::vector<std::string> within;  // the sub-group of each specimen, or empty
};

// What the analysed variables were before any reduction.
enum class CovarianceVariables {
  kPartialWarps,    // two-dimensional partial warps and uniform components
  kPartialWarps3D,  // three-dimensional ones
  kCoordinates,     // landmark coordinates as given (raw)
  kGiven,           // the columns of a table or file as they stand (raw)
};

struct CovarianceResult {
  CovarianceVariables variables = CovarianceVariables::kPartialWarps;
  Index sourceVariables = 0;  // their number before any reduction
  std::vector<std::string> names;
  std::vector<Index> sizes;  // specimens of each group
  // Each group's sub-groups with their sizes, in order of first
  // appearance; empty for a group without sub-groups.
  std::vector<std::vector<std::pair<std::string, Index>>> subgroups;
  CovarianceSettings settings;  // as the request gave them
  // The sub-groups' column as the texts name it; empty without sub-groups.
  std::string within;
  // landmarks × d: the shape the displacements start from (the pooled
  // consensus, or the mean of raw coordinates); empty when the variables
  // are no functions of landmarks.
  Matrix consensus;
  // The files and settings in one or two lines, under every picture; set
  // by the library interface, which knows the files.
  std::string caption;
  // The one analysis that ran.
  std::optional<RelativeEigenanalysis> relativeEigen;
  std::optional<CovarianceDistances> distances;
  std::optional<RandomSkewers> skewers;
  std::optional<MatrixCorrelation> correlation;
  std::optional<CommonSubspace> subspace;
  // CommonSubspace: the standard deviation along each of H's leading
  // eigenvectors in the mean of the groups' covariance matrices, the unit
  // of its pictures' shape changes.
  Vector subspaceDeviations;
};

// "partial-warp and uniform scores", "landmark coordinates as given", ...
std::string covarianceVariablesText(CovarianceVariables v);

}  // namespace vexmoor
