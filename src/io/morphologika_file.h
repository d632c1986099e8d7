// Morphologika files: bracketed sections, of which [individuals] (N),
// [landmarks] (k), [dimensions] (d), [names], [labels] and [rawpoints] are
// read and the rest ([groups], [labelvalues], [wireframe], ...) skipped.
// Lines beginning with ' are comments, except that in [rawpoints] a line
// '#name may open each specimen's k lines of d coordinates.
//
// - The identifiers are the [names], else the '#names, else the running
//   numbers.
// - Each row ends with the centroid size of its landmarks.
#pragma once

#include <string_view>

#include "io/group_file.h"
#include "io/line_source.h"

namespace vexmoor {

// True when `line` is a section header such as "[individuals]".
bool isMorphologikaSection(std::string_view line);

// Reads the rest of `source` as a Morphologika file. Throws vexmoor::Error
// naming the file and section when a count is missing or disagrees with the
// data, or naming the line for a token that is not a number.
LandmarkGroup readMorphologikaFile(LineSource& source);

}  // namespace vexmoor
