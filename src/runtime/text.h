// Text operations of the runtime: joining result pieces and reading numbers.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor {

// The white space of texts and lines: blanks, tabs, line breaks, carriage
// returns, vertical tabs and form feeds.
inline constexpr std::string_view kWhiteSpace = " \t\n\r\v\f";
// What separates the numbers of a line: blanks, tabs, commas and the line
// break with its carriage return.
inline constexpr std::string_view kNumberSeparators = " \t,\r\n";

// `text` without white space at either end, or at its end only.
std::string_view trimWhiteSpace(std::string_view text);
std::string_view trimTrailingWhiteSpace(std::string_view text);

// The tokens of `text`: the runs of characters between runs of
// `separators`. Views into `text`.
std::vector<std::string_view> splitTokens(std::string_view text,
                                          std::string_view separators = kWhiteSpace);

// The extension of the file name that ends `path` (".svg"), in lower case,
// with its dot; empty when the name has none.
std::string lowerCaseExtension(std::string_view path);

// Joins the pieces in order, each with its trailing white space (blank, tab,
// line break, carriage return, vertical tab, form feed) removed. Leading
// white space stays.
std::string joinTrimmed(std::initializer_list<std::string_view> pieces);
std::string joinTrimmed(const std::vector<std::string>& pieces);

// The numbers of a text, separated by kNumberSeparators. Accepts the forms 12, -1.5, +.5e-3, Inf,
// -Inf and NaN (any letter case). Returns std::nullopt, with the offending token in `badToken` when
// given, if a token is not a number; an empty row when the text holds no token.
std::optional<std::vector<double>> parseNumbers(std::string_view text,
                                                std::string* badToken = nullptr);

// One token as a number: the one conversion of text to a number that every
// reader and setting uses. std::nullopt when it is none, also for a value
// beyond the range of doubles (1e400, 1e-400).
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
