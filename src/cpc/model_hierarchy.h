// 'RunCPC': Flury's hierarchy of covariance models for the two groups with
// log-likelihoods, parameter counts, AIC and AIC weights.
//
// The models, from most to least constrained: equal, proportional, common
// principal components, partial common principal components with j = 1 ...
// p − 2 shared axes, independent. A model's log-likelihood value is
// −Σg ng · ln det of its covariance estimates (no factor 1/2, no constant),
// and AIC = −2·LL + 2·parameters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "compare/analysis_input.h"
#include "cpc/flury_cpc.h"
#include "runtime/host.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

struct ModelFit {
  double ll = 0;
  double param = 0;
  double aic = 0;
};

struct ModelHierarchy {
  Index p = 0;
  Index groups = 2;
  ModelFit identical, prop, cpc, indep;
  std::vector<ModelFit> partial;  // entry j − 1: j shared axes, j = 1 ... p − 2
  // In the order [identical, prop, cpc, indep, partial 1 ... p − 2]; sums to 1.
  RowVector aicWeight;
  // Sentences the reader of the result must see: iteration bounds reached,
  // singular covariance matrices.
  std::vector<std::string> notices;
  RowVector proportionality;  // [1 ρ2 ... ρk] of the proportional model
  // Fitted to the scores of this many pooled principal components (0: to
  // the variables), which hold this share of the pooled variance.
  int components = 0;
  double componentShare = 0;
};

// Fits every model. s1, s2: p × p covariance matrices; n1, n2: the numbers of
// specimens. On the console: L1est, L2est, s1_pcpc, s2_pcpc and Bg1 of each
// partial model followed by a wait for a key (host.waitForKey), then
// flury_list, LLIST and the three ans values (LLIST and the values that need
// a partial model are left out when p < 3), and each notice as a warning.
// Throws vexmoor::Error when a variable has zero variance in a group.
ModelHierarchy fitModelHierarchy(const Matrix& s1, const Matrix& s2, double n1, double n2,
                                 Host& host = silentHost(), const CpcLimits& limits = {});

// The hierarchy of k >= 2 groups: s, n one entry per group (p × p
// covariance matrices, numbers of specimens), labels naming the groups in
// notes and errors ("group g" when empty). Parameter counts with k groups:
// equal p(p+1)/2, proportional p(p+1)/2 + k − 1, common p(p−1)/2 + k·p,
// j shared axes p(p−1)/2 + k·p + (k−1)(p−j)(p−j−1)/2, unrelated
// k·p(p+1)/2. Two groups give the two-group hierarchy exactly, console
// included; with k groups the console shows L1est ... Lkest and s1_pcpc ...
// sk_pcpc of each partial model.
// `progress` (may be null) hears the sweeps and may cancel (Cancelled).
ModelHierarchy fitModelHierarchy(const std::vector<Matrix>& s, const std::vector<double>& n,
                                 Host& host = silentHost(), const CpcLimits& limits = {},
                                 const std::vector<std::string>& labels = {},
                                 Progress* progress = nullptr);

// The result table, then one line per notice. Echoes the header (stemp1).
// `afterTitle` (a piece that begins with its line break) stands between the
// title and the table: the groups of a k-group run.
std::string modelHierarchyText(const ModelHierarchy& h, Host& host = silentHost(),
                               std::string_view afterTitle = {});

// flury_aic: fitModelHierarchy, then modelHierarchyText.
std::string flury_aic(const Matrix& s1, const Matrix& s2, double n1, double n2,
                      Host& host = silentHost(), const CpcLimits& limits = {});

// How 'RunCPC' fits the hierarchy.
struct CpcOptions {
  // 0: to the variables themselves. M > 0: to the scores of the first M
  // principal components of the pooled within-group covariance matrix
  // (pooledComponents), the usual way when landmarks outnumber specimens.
  int pcs = 0;
  Progress* progress = nullptr;  // may be null
};

// The first M principal components of the pooled within-group covariance
// matrix Σg (ng − 1)·Sg / Σg (ng − 1) of the groups x (one specimen per row,
// the same p variables), and the share of its variance (its trace) they
// hold.
struct PooledComponents {
  Matrix axes;  // p × M, leading first
  double share = 0;
};
// Throws vexmoor::Error unless 1 <= m <= p and m is below every group's
// specimen count (the message names the group, by `labels`), Cancelled as
// leadingPrincipalAxes does.
PooledComponents pooledComponents(const std::vector<const Matrix*>& x, int m,
                                  const std::vector<std::string>& labels,
                                  const Progress* progress = nullptr);

// The line above the table when the hierarchy is fitted to components.
std::string pooledComponentsLine(int m, double share);

// The hierarchy needs more specimens than variables in every group: throws
// vexmoor::Error naming the first group that has no more (by `labels`)
// with both counts, before any model is fitted.
void requireMoreSpecimensThanVariables(const std::vector<double>& n, Index p,
                                       const std::vector<std::string>& labels);

// The result text for prepared input (consensus rounded): the hierarchy of
// the covariance matrices of in.x1 and in.x2 (or of their component scores)
// with the group sizes as weights; with components, a line saying so comes
// first. Throws vexmoor::Error naming the shape variable (or, for raw
// coordinates, the coordinate and landmark) and the group when a variable is
// the same in every specimen of a group, and as
// requireMoreSpecimensThanVariables does.
std::string runCpcText(const AnalysisInput& in, Host& host, const CpcOptions& options = {});

// The same with the fitted hierarchy the text was made from.
struct CpcResult {
  std::string text;
  ModelHierarchy models;
};
CpcResult runCpc(const AnalysisInput& in, Host& host, const CpcOptions& options = {});

// The row labels of the result table in the order of the text: "Equal
// Variance", "Proportional Variance", "Common Principal Components", "1
// CPC" ... "p - 2 CPC", "Independent Variance", each with its fit and
// weight.
struct ModelRow {
  std::string model;
  ModelFit fit;
  double weight = 0;
};
std::vector<ModelRow> modelRows(const ModelHierarchy& h);

}  // namespace vexmoor
