// Tables of specimens as spreadsheets and statistics programs write them:
// fields separated by commas, semicolons, tabs or blanks, in double quotes
// where needed, a header row naming the columns, a first column of
// specimen identifiers.
//
// - The first row is a header when every field after its first is not a
//   number (a single-column file: when its field is not a number).
// - The identifiers: the first column when the header names it like an
//   identifier (id, specimen, name, label, sample, or nothing) or when its
//   values are not numbers. Further text columns before the first numeric
//   column (sex, species) are skipped with a note.
// - When the header names the numeric columns as landmark coordinates (see
//   coordinate_columns.h) the rows are landmark configurations, put in the
//   order x1 y1 [z1] x2 ...; one more column after them is the trailing
//   value, else each row gets its centroid size. Otherwise the table is one
//   of variables, read as it stands; without a header it is read like a
//   plain file.
// - In a semicolon-separated table a comma may be the decimal mark.
// - Blank lines, and lines of separators only, are skipped.
// - A separator at the end of every line, the header's included, makes no
//   column (an empty last header field and empty last fields).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/group_file.h"
#include "io/line_source.h"

namespace vexmoor {

enum class TableStart {
  kPlain,   // numbers only, or a first row that mixes numbers and text
  kTable,   // a header row, an identifier column, semicolons or quotes
  kNoData,  // a header-like first row without a row of numbers after it
};

// What the first two non-blank lines (`second` empty when there is none)
// make of a file.
TableStart classifyTableStart(std::string_view first, std::string_view second);

// ',' ';' '\t', or ' ' for runs of blanks: what separates the fields of a
// table whose first row is `line`.
char tableSeparator(std::string_view line);

// The fields of one line, unquoted and trimmed. Throws vexmoor::Error,
// `context` first, for a quoted field without its closing quote.
std::vector<std::string> splitFields(std::string_view line, char separator,
                                     const std::string& context);

// splitFields on a line of `source`; a quoted field that a later line
// closes is named as a field holding a line break.
std::vector<std::string> splitLineFields(LineSource& source, std::string_view line, char separator,
                                         const std::string& context);

// A field written back so that splitFields reads it as it was: quoted,
// inner quotes doubled, where it holds a quote or the separator or would
// lose blanks at either end.
std::string fieldText(const std::string& field, char separator);

// Reads the rest of `source` as a table. Throws vexmoor::Error naming file,
// line and column for a row with another count of fields, a missing value,
// or a value that is not a number.
LandmarkGroup readTableFile(LineSource& source);

}  // namespace vexmoor
