// Landmark data files: plain text, one specimen per line, numbers separated
// by blanks, tabs or commas; no header. The result is the landmark data
// matrix, N × M, one specimen per row (x1 y1 [z1] x2 y2 ... then one trailing
// value that is never read as a coordinate).
//
// Reading stops at the first line after line 1 that holds nothing but its
// line break (a blank line: white space only, "\r\n" included); that line and
// everything behind it are ignored. A final line without a line break is read
// like the others unless it is a single character long.
#pragma once

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "io/line_source.h"
#include "runtime/matrix.h"

namespace vexmoor {

// Reads the file at `path` line by line (a pipe will do), within the bounds
// of LineSource. Throws vexmoor::Error naming the file (and the line) when
// the file cannot be read, is empty, holds a token that is not a finite
// number, or a line whose count of numbers differs from line 1's.
Matrix readLandmarkFile(const std::string& path);

// The same rules on the lines of `source`, from where it stands. When a
// blank line ends the data before lines of numbers, a warning naming the
// line and how many were left unread goes to `warnings` (may be null); the
// rest of the file is then read to count them. A line whose count of
// numbers differs, where it or line 1 holds a number with a decimal comma,
// says so.
Matrix readPlainMatrix(LineSource& source, std::vector<std::string>* warnings = nullptr);

// Opens `path` for reading; throws vexmoor::Error naming it when it is a
// folder or cannot be opened.
void openGroupFile(const std::string& path, std::ifstream& in);

// Checks that each row of x has d·k + 1 values (d = 3 when threeD, else 2)
// with k >= 1; throws vexmoor::Error naming `label` and the count otherwise.
void checkLandmarkColumns(const Matrix& x, bool threeD, std::string_view label);

// The file name of a path without its folders.
std::string fileNameOf(std::string_view path);

}  // namespace vexmoor
