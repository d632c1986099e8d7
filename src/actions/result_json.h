// An analysis result as one JSON document: the result text, the settings
// that repeat the run (the seed included), the groups, the observed
// statistics, the printed intervals, the p-values and the CPC table. The
// schema is described in docs/json.md; its "schema" member names the
// version.
#pragma once

#include <string>
#include <vector>

#include "actions/analysis_actions.h"

namespace vexmoor {

inline constexpr const char* kResultSchema = "vexmoor-result/1";

// Where a group came from, as the reader of the file knows it.
struct GroupSource {
  std::string file;
  std::string format = "plain";          // the landmark file format
  std::vector<std::string> identifiers;  // one for each specimen, where the file names them
};

struct RunDescription {
  GroupSource group1, group2;
  AnalysisSettings settings;
};

// Indented by two blanks, ending without a line break. Numbers that are
// not finite become null.
std::string resultJson(const AnalysisResult& result, const RunDescription& run);

}  // namespace vexmoor
