// TPS files, as the tps series of digitising programs write them: for each
// specimen a line LM=k (LM3=k for three dimensions) followed by k lines of
// coordinates, then keyword lines: IMAGE=, ID=, COMMENT=, SCALE=, and
// CURVES=/OUTLINES= with POINTS=m blocks of semilandmarks. Keywords in any
// letter case; blank lines between blocks; CRLF line ends.
//
// - SCALE= multiplies that specimen's coordinates; its value must be a
//   positive number. Specimens without one, in a file where others have
//   one, keep their coordinates and are named in a note.
// - The identifier of a specimen is its ID=, else its IMAGE=, else its
//   running number. COMMENT= lines are kept as comments.
// - POINTS= blocks are skipped, with one note; they are never landmarks.
// - Each row ends with the centroid size of the (scaled) landmarks.
#pragma once

#include "io/group_file.h"
#include "io/line_source.h"

namespace vexmoor {

// True when `line` is an LM= or LM3= line.
bool isTpsLandmarkLine(std::string_view line);

// Reads the rest of `source` as a TPS file. Throws vexmoor::Error naming
// file, line and specimen for a missing or malformed coordinate line,
// landmark counts that differ between specimens, a bad SCALE=, or a line
// that is neither a keyword nor a coordinate line.
LandmarkGroup readTpsFile(LineSource& source);

}  // namespace vexmoor
