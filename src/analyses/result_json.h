// An analysis result as one JSON document: the result text, the settings
// that repeat the run (the seed included), the groups, the observed
// statistics, the printed intervals, the p-values and the CPC table. The
// schema is described in docs/json.md; its "schema" member names the
// version.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "analyses/analysis_actions.h"
#include "io/group_file.h"

namespace vexmoor {

inline constexpr const char* kResultSchema = "vexmoor-result/1";

// Where a group came from, as the reader of the file knows it.
struct GroupSource {
  std::string file;
  std::string format = "plain";          // the landmark file format
  std::vector<std::string> identifiers;  // one for each specimen, where the file names them
  std::string name;                      // runs whose groups are named: the group's name
};

// A specimen that a file's missing values left out of the run.
struct DroppedFromFile {
  std::string file;
  RowKind kind = RowKind::kLandmarks;  // what DroppedSpecimen::missing counts
  DroppedSpecimen specimen;
};

struct RunDescription {
  GroupSource group1, group2;
  AnalysisSettings settings;
  // Runs whose groups are named (a group column, a classifier or three or
  // more files): every group in order; empty for two files.
  std::vector<GroupSource> groups;
  std::vector<std::string> files;  // the data files as given, when `groups` is set
  std::string groupBy;             // --group-by COLUMN, or empty
  std::string classifier, by;      // --classifier FILE --by COLUMN, or empty
  bool dropIncomplete = false;     // specimens with missing values left out, not refused
  std::vector<DroppedFromFile> dropped;
};

// Two groups give the two-group document (with the grouping in the
// settings when the groups were named); three or more add the pairwise
// results under "pairs" and "tables". Numbers that are not finite are null.
nlohmann::json resultDocument(const AnalysisResult& result, const RunDescription& run);
// The document as text: indented by two blanks, ending without a line
// break; bytes that are no UTF-8 in its strings become U+FFFD.
std::string resultJson(const nlohmann::json& document);
std::string resultJson(const AnalysisResult& result, const RunDescription& run);

}  // namespace vexmoor
