#include "shell/status_text.h"

#include <cctype>
#include <cmath>

#include "runtime/text.h"

namespace vexmoor {
namespace {

bool isWordByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// True when `word` stands in `text` as a whole word.
bool holdsWord(std::string_view text, std::string_view word) {
  for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
    bool startsWord = at == 0 || !isWordByte(text[at - 1]);
    size_t end = at + word.size();
    bool endsWord = end == text.size() || !isWordByte(text[end]);
    if (startsWord && endsWord) {
      return true;
    }
  }
  return false;
}

// The line with raw bytes escaped; as it is when it holds none.
std::string safeLine(std::string_view line) {
  std::string escaped = escapeNonPrintable(line);
  std::string backslashesDoubled;
  for (char c : line) {
    backslashesDoubled += c == '\\' ? std::string("\\\\") : std::string(1, c);
  }
  return escaped == backslashesDoubled ? std::string(line) : escaped;
}

}  // namespace

std::string doneStatus(std::string_view action, std::string_view text) {
  bool nonFinite = holdsWord(text, "NaN") || holdsWord(text, "Inf");
  if (action == "RunCPC" && (nonFinite || text.find("singular") != std::string_view::npos)) {
    return "done; the covariance matrices are singular, see the notes";
  }
  if (nonFinite) {
    return "done; some values are not finite (NaN or Inf), see the result";
  }
  return "done";
}

std::string noteStatus(std::string_view note) {
  if (note.empty()) {
    return {};
  }
  constexpr std::string_view kPrefix = "Note: ";
  if (note.substr(0, kPrefix.size()) == kPrefix) {
    note.remove_prefix(kPrefix.size());
  }
  if (!note.empty() && note.back() == '.') {
    note.remove_suffix(1);
  }
  return "; " + std::string(note);
}

std::optional<std::string> groupMismatch(const Matrix& data1, const Matrix& data2, bool threeD) {
  if (data1.cols() == data2.cols()) {
    return std::nullopt;
  }
  Index perLandmark = threeD ? 3 : 2;
  auto landmarks = [&](const Matrix& m) {
    Index coordinates = m.cols() - 1;
    std::string n = std::to_string(coordinates / perLandmark);
    return coordinates % perLandmark == 0 ? n : n + "+";
  };
  return "warning: group 1 has " + landmarks(data1) + " landmarks and group 2 has " +
         landmarks(data2) + " (" + std::to_string(data1.cols()) + " and " +
         std::to_string(data2.cols()) +
         " columns): the analyses need the same landmarks in both groups";
}

std::optional<int> componentsAsRead(const std::string& text) {
  std::optional<std::vector<double>> numbers = parseNumbers(text);
  if (!numbers || numbers->size() != 1 || !(std::fabs(numbers->front()) < 1e9)) {
    return std::nullopt;  // also beyond what an int holds
  }
  return static_cast<int>(roundHalfAway(numbers->front()));
}

std::string displayText(std::string_view text, bool lineBreaks) {
  if (!lineBreaks) {
    return safeLine(text);
  }
  std::string out;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    out += safeLine(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) {
      return out;
    }
    out += '\n';
    start = end + 1;
  }
}

}  // namespace vexmoor
