#include "shell/session/status_text.h"

#include "analyses/result_values.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

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

std::string doneStatus(std::string_view action, const AnalysisResult& result) {
  if (!showsNonFiniteValues(result)) {
    return "done";
  }
  return action == "RunCPC" ? "done; the covariance matrices are singular, see the notes"
                            : "done; some values are not finite (NaN or Inf), see the result";
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
