// Which texts are valid identifiers: the rule that decides which Tags of a
// window become fields of its handles record.
#pragma once

#include <span>
#include <string_view>

namespace vexmoor {

// The 17 reserved words, in alphabetical order.
std::span<const std::string_view> reservedWords();

// True for one of the reserved words (exact letter case).
bool iskeyword(std::string_view word);

// True for at most 31 characters, a letter first, then letters, digits and
// underscores, and not a reserved word.
bool isvarname(std::string_view name);

}  // namespace vexmoor
