// Text operations of the runtime: joining result pieces and reading numbers.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor {

// Joins the pieces in order, each with its trailing white space (blank, tab,
// line break, carriage return, vertical tab, form feed) removed. Leading
// white space stays.
std::string joinTrimmed(std::initializer_list<std::string_view> pieces);
std::string joinTrimmed(const std::vector<std::string>& pieces);

// The numbers of a text, separated by blanks, tabs, commas (and carriage
// returns or line breaks). Accepts the forms 12, -1.5, +.5e-3, Inf, -Inf and
// NaN (any letter case). Returns std::nullopt, with the offending token in
// `badToken` when given, if a token is not a number; an empty row when the
// text holds no token.
std::optional<std::vector<double>> parseNumbers(std::string_view text,
                                                std::string* badToken = nullptr);

// One token as a number, by the rules of parseNumbers; std::nullopt when it
// is none, also for a value beyond the range of doubles (1e400, 1e-400).
std::optional<double> parseNumber(std::string_view token);

// True when `token` is written as a number but lies beyond the range of
// doubles; `tooLarge` tells which end.
bool isOutOfRangeNumber(std::string_view token, bool* tooLarge = nullptr);

// The text with every control byte (below 0x20, and DEL) and every byte that
// is not part of a well-formed UTF-8 character written as \xNN, and a
// backslash as \\, so that a message quoting a token of a binary file shows
// no raw bytes. Printable ASCII and well-formed UTF-8 stay as they are.
std::string escapeNonPrintable(std::string_view text);

// Rounds halves away from zero (2.5 -> 3, -2.5 -> -3).
double roundHalfAway(double v);

}  // namespace vexmoor
