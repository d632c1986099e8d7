// One file of specimens split into groups: by a column of the table itself,
// or by a classifier, a table that gives each specimen identifier a group.
// Groups come in the order their names first appear (in the table's rows, or
// in the data file's specimens for a classifier).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/group_file.h"

namespace vexmoor {

struct NamedGroups {
  std::vector<std::string> names;     // one for each group
  std::vector<LandmarkGroup> groups;  // the specimens of each group, in file order
  GroupInfo info;                     // of the whole file: its notes and warnings
};

// Reads the table at `path` (CSV, TSV, any separator the table reader
// takes) and splits its rows by the values of the column headed `column`
// (exact header text); the column itself is not read as data. Throws
// vexmoor::Error naming the file when it is no table with a header, has no
// such column (listing those it has), a row's group field is empty (naming
// the line and specimen), or the column holds a single group. Specimens
// with missing values are refused or left out by `missing` (group_file.h);
// the left-out ones are in `info.dropped`, in no group.
NamedGroups readGroupedTable(const std::string& path, const std::string& column,
                             MissingValues missing = MissingValues::kRefuse);

// The same on text in memory; `label` names it in messages.
NamedGroups parseGroupedTable(std::string_view text, const std::string& label,
                              const std::string& column,
                              MissingValues missing = MissingValues::kRefuse);

// A table with a column of sub-group labels (the sex, say) read without
// that column: the specimens of the rest, and the label of each, trimmed
// like a group name. Throws vexmoor::Error as parseGroupedTable does, and
// naming the line where a label is empty.
struct LabelledGroup {
  LandmarkGroup group;
  std::vector<std::string> labels;  // one for each specimen, in file order
};
LabelledGroup readLabelledTable(const std::string& path, const std::string& column);
LabelledGroup parseLabelledTable(std::string_view text, const std::string& label,
                                 const std::string& column);

// readGroupedTable with a column of sub-group labels taken out as well:
// labels[g] holds the label of each specimen of group g, in its order.
struct LabelledGroups {
  NamedGroups named;
  std::vector<std::vector<std::string>> labels;
};
LabelledGroups readSubgroupedTable(const std::string& path, const std::string& groupColumn,
                                   const std::string& labelColumn);
LabelledGroups parseSubgroupedTable(std::string_view text, const std::string& label,
                                    const std::string& groupColumn, const std::string& labelColumn);

// A classifier: specimen identifier -> group, from the first column (the
// identifiers) and the column headed `column` of the table at
// `classifierPath`.
struct Classifier {
  std::string label;                     // the file, for messages
  std::vector<std::string> identifiers;  // in file order
  std::vector<std::string> groups;       // one for each identifier
  std::vector<size_t> lines;             // the line of each identifier
};

// Throws vexmoor::Error naming the file (and line) when it cannot be read,
// has no header or no column `column`, an identifier appears twice, or a
// group field is empty.
Classifier readClassifier(const std::string& classifierPath, const std::string& column);
Classifier parseClassifier(std::string_view text, const std::string& label,
                           const std::string& column);

// Splits `all` (read from the file `dataLabel`) by the classifier. Throws
// vexmoor::Error when a specimen of the file has no group in the classifier,
// when the classifier names an identifier that is not in the file (nor
// among its dropped specimens), or when it leaves a single group.
NamedGroups classifyGroups(const LandmarkGroup& all, const std::string& dataLabel,
                           const Classifier& classifier);

}  // namespace vexmoor
