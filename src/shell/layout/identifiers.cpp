#include "shell/layout/identifiers.h"

#include <array>
#include <cctype>

namespace vexmoor {
namespace {

constexpr std::array<std::string_view, 17> kReserved{
    "break",  "case", "catch",     "continue",   "else",   "elseif", "end", "for",  "function",
    "global", "if",   "otherwise", "persistent", "return", "switch", "try", "while"};

constexpr size_t kMaxNameLength = 31;

bool isAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::span<const std::string_view> reservedWords() {
  return kReserved;
}

bool iskeyword(std::string_view word) {
  for (std::string_view k : kReserved) {
    if (k == word) {
      return true;
    }
  }
  return false;
}

bool isvarname(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength || !isAsciiLetter(name[0])) {
    return false;
  }
  for (char c : name) {
    if (!isAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '_') {
      return false;
    }
  }
  return !iskeyword(name);
}

}  // namespace vexmoor
