// NTS files: a parameter line "1 n p m [code] [DIM=d]" for a rectangular
// n × p matrix (an L after n or p: n row labels or p column labels follow,
// row labels first, before the numbers; m = 1 declares missing values, coded
// as the token after it), then the n·p numbers row after row, wrapped over
// as many lines as the writer liked. A " or ' starts a comment that runs to
// the end of its line.
//
// - Row labels are the specimen identifiers.
// - DIM=2 or DIM=3 makes the rows landmark configurations of p/d landmarks;
//   so do column labels that name coordinates (coordinate_columns.h).
//   Otherwise the rows are a table of p variables, read as they stand.
// - Landmark rows end with their centroid size.
#pragma once

#include <string_view>

#include "io/group_file.h"
#include "io/line_source.h"

namespace vexmoor {

// True when `line` (comments removed) reads as an NTS parameter line;
// `certain` is set when it cannot be a plain file's first row (labels,
// DIM= or a missing-value code).
bool isNtsParameterLine(std::string_view line, bool& certain);

// Reads the rest of `source` as an NTS file. Throws vexmoor::Error naming
// the file and line, or specimen and variable, when the counts of the
// parameter line disagree with what follows, a value is missing, or a token
// is not a number.
LandmarkGroup readNtsFile(LineSource& source);

}  // namespace vexmoor
