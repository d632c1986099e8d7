// The groups of a run as every front end hands them over: read from files
// (several files, one table split by a column, one file split by a
// classifier), or given in memory as coordinates. Nothing above this layer
// reads a landmark file or settles how groups are named.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/group_file.h"
#include "runtime/host.h"
#include "runtime/matrix.h"

namespace vexmoor {

// One group of a run.
struct InputGroup {
  std::string name;             // named runs: the group's name in tables and messages
  std::string file;             // the file it was read from, or the label of data in memory
  LandmarkGroup group;          // the landmark data matrix and what its source says of it
  bool inMemory = false;        // given as coordinates, not read from a file
  bool specimensNamed = false;  // in memory: the caller gave identifiers
  // The sub-group of each specimen (GroupSources::within), or empty.
  std::vector<std::string> within = {};
};

// Where a run's groups come from, as the batch front end's command line
// names them: files, or one table with --group-by, or one file with
// --classifier and --by.
struct GroupSources {
  std::vector<std::string> files;
  std::optional<std::string> groupBy;
  std::optional<std::string> classifier, by;
  // Specimens with missing values: left out (and named in the result's
  // note and JSON) instead of refusing the file.
  bool dropIncomplete = false;
  // The column that gives each specimen's sub-group: of each file, of the
  // --group-by table, or with --classifier of the classifier.
  std::optional<std::string> within = std::nullopt;
};

// Specimens left out of one file for their missing values.
struct DroppedSpecimens {
  std::string file;
  RowKind kind = RowKind::kLandmarks;
  std::vector<DroppedSpecimen> specimens;
};

// The groups of a run, in order, and how they were named.
struct RunGroups {
  std::vector<InputGroup> groups;
  // True when the groups carry names (three or more groups, a column, a
  // classifier or labels); two unnamed groups give the two-group document.
  bool named = false;
  GroupSources sources;                   // empty for groups given in memory
  std::vector<DroppedSpecimens> dropped;  // by file, in the order they were read
};

// True when `sources` names its groups: a column, a classifier, or more
// than two files.
bool namesGroups(const GroupSources& sources);

// The names of groups read from `files`: each file's name without its
// folder and extension, the path as given where two would share a name.
std::vector<std::string> fileGroupNames(const std::vector<std::string>& files);

// Group names as tables, messages and the JSON show them: each one line of
// text, not empty, and no two alike. Throws vexmoor::Error naming the group
// (by its position, 1-based) and the rule.
void checkGroupNames(const std::vector<std::string>& names);

// Groups named by their files need a file each: throws vexmoor::Error when
// two of `files` are one file, spelled alike or not (gorf.txt, ./gorf.txt,
// a link to it). Reads no file.
void checkFilesNamedOnce(const std::vector<std::string>& files);

// Reads the groups `sources` names. Each file's warnings go to the host's
// message box and its notes to the console; more than two files are named
// by fileGroupNames and must be distinct files (checkFilesNamedOnce).
// With `within`, every group gets its specimens' sub-groups from that
// column, which is not read as data. Throws vexmoor::Error naming the file
// at fault.
RunGroups loadGroups(const GroupSources& sources, Host& host);

// A group given in memory: `coordinates` is N × d·p, one specimen per row
// (x1 y1 [z1] x2 ...), `dimension` 2 or 3. Each row gets its centroid size
// as the trailing value, as the readers give formats without one.
// `identifiers` is empty (running numbers) or one per specimen; `label`
// names the group in messages. Throws vexmoor::Error naming `label` when
// the shape is wrong (a specimen needs 2 or more landmarks) or a
// coordinate is not finite.
InputGroup groupFromCoordinates(const Matrix& coordinates, int dimension,
                                std::vector<std::string> identifiers, std::string label);

// A group that came from a file and travels as coordinates (a binding's
// group object): messages and the JSON name `file` and its format, as the
// readers name it ("TPS", ...; another name counts as plain).
InputGroup groupFromFileCoordinates(const Matrix& coordinates, int dimension,
                                    std::vector<std::string> identifiers, std::string file,
                                    std::string_view format);

// A file's group as a binding shows it: its coordinates without the
// trailing value, N × d·p, in the dimension the file states, else
// `dimension`, else 2. Warnings go to the host's message box. Throws
// vexmoor::Error naming the file when it cannot be read, is a table of
// variables, or its rows are no landmarks of that dimension.
struct GroupCoordinates {
  Matrix coordinates;
  int dimension = 2;
  LandmarkGroup group;  // as read
};
GroupCoordinates readGroupCoordinates(const std::string& path, std::optional<int> dimension,
                                      Host& host, MissingValues missing = MissingValues::kRefuse);

// Groups given one by one, in memory or read from files, unnamed (two: the
// two-group document; their names are dropped) or named. Groups all read
// from files are described as the batch front end describes its files;
// specimens their files left out (GroupInfo::dropped) are named in the run.
// Throws vexmoor::Error when groups of one dimension hold different
// numbers of landmarks, named groups share a name or a name holds a line
// break.
RunGroups groupsInMemory(std::vector<InputGroup> groups, bool named);

// Splits one group by a label per specimen into named groups, in the order
// the labels first appear; labels are trimmed of surrounding blanks. Throws
// vexmoor::Error when the counts differ, a label is empty or holds a line
// break, or only one group results.
RunGroups splitByLabels(const InputGroup& all, const std::vector<std::string>& labels);

}  // namespace vexmoor
