// What a run of a covariance analysis writes besides its text, all made
// from result.covariance: the JSON document (docs/json.md, the covariance
// analyses' members), the replicate table of --replicates and the caption
// under its pictures.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "analyses/analysis_actions.h"
#include "analyses/result_json.h"

namespace vexmoor {

// The document of a result with `covariance` set: the members every
// document has, then the covariance analyses' own (present and null where
// another of them ran).
nlohmann::json covarianceResultDocument(const AnalysisResult& result, const RunDescription& run);

// The replicates as a CSV table, one row per replicate (for the pairs
// pair after pair: group_a,group_b first): the bootstrap's relative
// eigenvalues and log ratio, each pair's permuted distance or
// correlation, each skewer's correlation with the reference value, or the
// null's eigenvalues of H. Empty when the run drew none.
std::string covarianceReplicateCsv(const CovarianceResult& c);
// The names of the table's columns (the header), empty when it has none.
std::vector<std::string> covarianceReplicateColumns(const CovarianceResult& c);

// "tropheus.csv by POP.ID · raw coordinates · within Sex · first 5 PCs of
// all specimens (68.3 %) · v = 10 · seed 7": the files without their
// folders and every setting the numbers depend on.
std::string covarianceCaption(const AnalysisResult& result, const RunDescription& run);

}  // namespace vexmoor
