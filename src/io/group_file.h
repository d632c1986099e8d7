// The one front door for reading a group of specimens, whatever file it
// comes in: the plain landmark file, TPS, NTS, a CSV/TSV table with a
// header, or Morphologika. The format is found from the content; the file
// name's extension only breaks ties. Every format gives the landmark data
// matrix the plain reader gives (one row for each specimen, x1 y1 [z1] ... then
// the trailing value); formats without a trailing value get the centroid
// size of each specimen's coordinates in the file's (scaled) units, so every
// path downstream is unchanged. A table of variables that are no landmark
// coordinates is read as it stands.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/error.h"
#include "runtime/matrix.h"

namespace vexmoor {

enum class GroupFormat { kPlain, kTps, kNts, kTable, kMorphologika };

// "plain", "TPS", "NTS", "CSV table", "Morphologika"
std::string formatName(GroupFormat format);

// What a file's rows are.
enum class RowKind {
  kUnstated,   // plain numbers: the dimension setting decides
  kLandmarks,  // landmark configurations, the file says so
  kVariables,  // a table of variables that are not landmark coordinates
};

// A specimen left out for its missing values.
struct DroppedSpecimen {
  size_t specimen = 0;          // its number in the file, 1-based
  std::string identifier;       // as the file names it (its number where it names none)
  std::vector<size_t> missing;  // 1-based: landmarks, or columns of a table of variables
  bool trailingValue = false;  // landmark data whose trailing value, read from the file, is missing
};

// What the file says about the group, beside its numbers.
struct GroupInfo {
  GroupFormat format = GroupFormat::kPlain;
  RowKind kind = RowKind::kUnstated;
  std::optional<int> dimension;          // 2 or 3 when the file states it
  std::vector<std::string> identifiers;  // one for each specimen (running numbers where none)
  std::vector<std::string> notes;        // what the reader did: skipped curves, scales, ...
  std::vector<std::string> warnings;     // what the user must hear of: specimens left unscaled
  std::vector<std::string> comments;     // the file's own remarks, e.g. on each specimen
  // A plain file whose first line reads like numbers with decimal commas
  // ("235,17"), which it reads as separators: that token, for messages.
  std::string decimalComma;
  // The specimens that MissingValues::kDropIncomplete left out, in file
  // order; their rows and identifiers are not in the group.
  std::vector<DroppedSpecimen> dropped;
};

struct LandmarkGroup {
  Matrix data;  // N × M, one specimen per row
  GroupInfo info;
};

// What becomes of specimens with missing values: a TPS landmark whose
// coordinates are all exactly -999, or written NA or NaN; the missing-value
// code an NTS header declares; NA or NaN in Morphologika; an empty, NA, NaN,
// ".", "?" or "-" field of a table. Plain files have none.
enum class MissingValues {
  kRefuse,          // the file is an error naming every incomplete specimen
  kDropIncomplete,  // such specimens are left out, and GroupInfo::dropped names them
};

// The refusal of a file whose specimens have missing values, while some
// are complete: a front end may offer to read it again leaving them out.
class IncompleteSpecimens : public Error {
 public:
  explicit IncompleteSpecimens(const std::string& message) : Error(message) {}
};

// Reads the file at `path` (a pipe or process substitution will do: it is
// read line by line and never sought). Throws vexmoor::Error naming the
// file and the line or specimen when it cannot be read, is in none of the
// formats, is binary, or breaks a rule of its format; with kRefuse also when
// a specimen has missing values (IncompleteSpecimens; the first ten
// specimens named with their landmarks, then a count), with kDropIncomplete when every one has.
// Nothing is returned then, never a partial group.
LandmarkGroup readGroupFile(const std::string& path,
                            MissingValues missing = MissingValues::kRefuse);

// The same on text in memory; `label` names it in messages and
// `fileNameHint` (may be empty) gives the extension that breaks ties. Never
// touches the disk.
LandmarkGroup parseGroupText(std::string_view text, std::string_view label,
                             std::string_view fileNameHint,
                             MissingValues missing = MissingValues::kRefuse);

// "specimen 3 (\"gorf03\"): landmarks 2 and 5": a dropped specimen as
// messages and notes name it; `kind` says what its missing numbers count.
std::string droppedText(const DroppedSpecimen& specimen, RowKind kind);

// checkLandmarkColumns on a group's matrix; the message says so when the
// file's separators look like decimal commas.
void checkGroupColumns(const Matrix& data, const GroupInfo& info, bool threeD,
                       std::string_view label);

// "a table of 4 variables, not landmark configurations" and the like, for
// messages of the actions that need landmarks.
std::string variablesTableText(const LandmarkGroup& group);

}  // namespace vexmoor
