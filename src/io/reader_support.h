// What the group-file readers share: message pieces, number tokens, and the
// assembly of the landmark data matrix with its trailing value.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/matrix.h"

namespace vexmoor {

// `file "a.txt", line 7`
std::string fileLine(std::string_view label, size_t lineNo);
// `file "a.txt"`
std::string fileNamed(std::string_view label);

// A token as a message quotes it: control bytes escaped, at most 40
// characters (a binary file may hold a token of any length and any bytes).
std::string shownToken(std::string_view token);

// True for a line of white space only (its line break included).
bool isBlankLine(std::string_view line);

// `"x" is not a number`, or for a number beyond the range of doubles
// (1e400) that it is out of range, for the caller to put its context before.
std::string notANumber(std::string_view token);

// How a reader marks a missing value among its numbers; the front door
// (group_file.h) then refuses the file or leaves the specimen out.
inline constexpr double kMissingValue = std::numeric_limits<double>::quiet_NaN();

// True for the tokens that formats with missing values write for one: NA
// and NaN, in any letter case.
bool isMissingToken(std::string_view token);

// Appends the numbers of `line` (separated by kNumberSeparators) to `out`
// and returns how many there were. With `missingAllowed`, a missing token
// (isMissingToken) is appended as NaN.
// Throws vexmoor::Error (`"x" is not a number`, for the caller to put its
// context before) for a token that is not a finite number.
size_t appendNumbers(std::string_view line, std::vector<double>& out, bool missingAllowed = false);

// Throws vexmoor::Error naming the file when a group would hold more than
// kMaxValues numbers.
void checkValueCount(size_t count, std::string_view label, size_t lineNo);

// The rows × cols matrix of `values`, stored row after row.
Matrix rowMajorMatrix(const std::vector<double>& values, Index rows, Index cols);

// The landmark data matrix of coordinates stored row after row (rows ×
// d·k, x1 y1 [z1] x2 ...), each row followed by the centroid size of its
// landmarks: the trailing value a plain file carries, in the same units.
Matrix withCentroidSizes(const std::vector<double>& coordinates, Index rows, Index landmarks,
                         int dimension);

// A blank-separated token of `line` that reads as a number written with a
// decimal comma ("235,17", "-0,5", "1,5e-3"); empty when there is none.
std::string decimalCommaNumber(std::string_view line);

// "; the separator looks like a decimal comma ("235,17"): write numbers
// with a decimal point, or separate them with semicolons", to end a message
// about a file that holds such a token; empty for an empty token.
std::string decimalCommaAdvice(std::string_view token);

// "specimens 3, 7 and 9" or "specimens 3, 7, 9, ... (12 in all)"
std::string specimenList(const std::vector<size_t>& specimens);

}  // namespace vexmoor
