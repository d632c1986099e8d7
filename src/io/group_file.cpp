#include "io/group_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "io/landmark_file.h"
#include "io/line_source.h"
#include "io/morphologika_file.h"
#include "io/nts_file.h"
#include "io/reader_support.h"
#include "io/table_file.h"
#include "io/tps_file.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

// Enough of the start of a file to tell its format.
constexpr size_t kSniffBytes = size_t{1} << 20;

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    size_t next = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(text.substr(pos, next - pos));
    pos = next;
  }
  return lines;
}

std::string extensionOf(std::string_view name) {
  size_t dot = name.find_last_of('.');
  size_t slash = name.find_last_of("/\\");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
    return {};
  }
  std::string ext(name.substr(dot));
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return ext;
}

bool isCommentLine(std::string_view line) {
  size_t b = line.find_first_not_of(" \t");
  return b != std::string_view::npos && (line[b] == '"' || line[b] == '\'');
}

// The index of the first line from `from` on that is not blank and, when
// `skipComments`, not a comment line; lines.size() when there is none.
size_t firstLineFrom(const std::vector<std::string_view>& lines, size_t from, bool skipComments) {
  for (size_t i = from; i < lines.size(); ++i) {
    if (!isBlankLine(lines[i]) && !(skipComments && isCommentLine(lines[i]))) {
      return i;
    }
  }
  return lines.size();
}

size_t plainTokenCount(std::string_view line) {
  size_t count = 0;
  size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && isNumberSeparator(line[pos])) {
      ++pos;
    }
    if (pos < line.size()) {
      ++count;
    }
    while (pos < line.size() && !isNumberSeparator(line[pos])) {
      ++pos;
    }
  }
  return count;
}

// A token of `line` that reads as a number with a decimal comma ("235,17")
// where blanks or tabs separate the numbers and none holds a decimal
// point; empty when there is none.
std::string decimalCommaToken(std::string_view line) {
  if (line.find_first_of(".;\"") != std::string_view::npos) {
    return {};
  }
  std::string found;
  size_t tokens = 0;
  size_t pos = 0;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (pos < line.size()) {
    while (pos < line.size() && blank(line[pos])) {
      ++pos;
    }
    size_t start = pos;
    while (pos < line.size() && !blank(line[pos])) {
      ++pos;
    }
    if (start == pos) {
      break;
    }
    ++tokens;
    std::string_view t = line.substr(start, pos - start);
    size_t comma = t.find(',');
    if (comma == std::string_view::npos) {
      if (!numberOf(t)) {
        return {};
      }
      continue;
    }
    std::string_view whole = t.substr(0, comma), fraction = t.substr(comma + 1);
    if (!whole.empty() && (whole.front() == '-' || whole.front() == '+')) {
      whole.remove_prefix(1);
    }
    auto digits = [](std::string_view d) {
      return !d.empty() && d.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (!digits(whole) || !digits(fraction)) {
      return {};
    }
    if (found.empty()) {
      found = std::string(t);
    }
  }
  return tokens >= 2 ? found : std::string();
}

[[noreturn]] void decimalCommaError(std::string_view label, const std::string& token) {
  throw Error(fileLine(label, 1) + ": the separator looks like a decimal comma (\"" +
              shownToken(token) +
              "\"); write numbers with a decimal point, or separate them with semicolons");
}

// "2 30L 16 0", "1 30L 16 0 DIM=4": a line that only an NTS parameter line
// would be (a count with L, a DIM= entry), whether or not it is a good one.
bool looksLikeNtsParameterLine(std::string_view line) {
  size_t comment = line.find_first_of("\"'");
  std::string_view body = line.substr(0, comment);
  std::vector<std::string_view> tokens;
  size_t pos = 0;
  while (pos < body.size()) {
    size_t start = body.find_first_not_of(" \t\r\n", pos);
    if (start == std::string_view::npos) {
      break;
    }
    pos = std::min(body.find_first_of(" \t\r\n", start), body.size());
    tokens.push_back(body.substr(start, pos - start));
  }
  if (tokens.size() < 4 || tokens[0].find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  auto labelledCount = [](std::string_view t) {
    return t.size() > 1 && (t.back() == 'L' || t.back() == 'l') &&
           t.substr(0, t.size() - 1).find_first_not_of("0123456789") == std::string_view::npos;
  };
  for (size_t i = 1; i < tokens.size(); ++i) {
    std::string head(tokens[i].substr(0, 4));
    for (char& c : head) {
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if ((i <= 2 && labelledCount(tokens[i])) || (i >= 4 && head == "DIM=")) {
      return true;
    }
  }
  return false;
}

enum class Detected { kPlain, kTps, kNts, kTable, kMorphologika, kNone };

Detected detect(std::string_view head, std::string_view fileName) {
  std::vector<std::string_view> lines = linesOf(head);
  size_t first = firstLineFrom(lines, 0, false);
  if (first == lines.size()) {
    return Detected::kPlain;  // empty or blank: the plain reader says so
  }
  std::string_view line = lines[first];
  if (isTpsLandmarkLine(line)) {
    return Detected::kTps;
  }
  if (isMorphologikaSection(line)) {
    return Detected::kMorphologika;
  }
  if (isCommentLine(line)) {
    size_t content = firstLineFrom(lines, first, true);
    if (content < lines.size()) {
      bool certain = false;
      if (isMorphologikaSection(lines[content])) {
        return Detected::kMorphologika;
      }
      if (isNtsParameterLine(lines[content], certain) ||
          looksLikeNtsParameterLine(lines[content])) {
        return Detected::kNts;
      }
    }
  }
  size_t second = firstLineFrom(lines, first + 1, false);
  std::string_view next = second < lines.size() ? lines[second] : std::string_view();
  bool certain = false;
  if (isNtsParameterLine(line, certain)) {
    // "1 30 16 0" may also be the first row of a plain file of four
    // columns; its next row then has four numbers too.
    if (certain || extensionOf(fileName) == ".nts" ||
        (!next.empty() && plainTokenCount(next) != plainTokenCount(line))) {
      return Detected::kNts;
    }
  }
  if (looksLikeNtsParameterLine(line)) {
    return Detected::kNts;  // its reader says what is wrong with it
  }
  switch (classifyTableStart(line, next)) {
    case TableStart::kPlain:
      return Detected::kPlain;
    case TableStart::kTable:
      return Detected::kTable;
    case TableStart::kNoData:
      break;
  }
  return Detected::kNone;
}

size_t lineOfOffset(std::string_view text, size_t offset) {
  size_t line = 1;
  for (size_t i = 0; i < offset; ++i) {
    line += text[i] == '\n' ? 1 : 0;
  }
  return line;
}

LandmarkGroup plainGroup(LineSource& source, std::string decimalComma) {
  LandmarkGroup g;
  g.data = readPlainMatrix(source);
  g.info.decimalComma = std::move(decimalComma);
  g.info.format = GroupFormat::kPlain;
  g.info.kind = RowKind::kUnstated;
  for (Index i = 0; i < g.data.rows(); ++i) {
    g.info.identifiers.push_back(std::to_string(i + 1));
  }
  return g;
}

LandmarkGroup readGroup(LineSource& source, std::string_view fileName) {
  std::string_view head = source.peek(kSniffBytes);
  if (size_t nul = head.find('\0'); nul != std::string_view::npos) {
    throw Error(fileNamed(source.label()) +
                " is a binary file, not a text file of landmark data (a NUL byte in line " +
                std::to_string(lineOfOffset(head, nul)) + ")");
  }
  std::vector<std::string_view> lines = linesOf(head);
  size_t first = firstLineFrom(lines, 0, false);
  std::string_view firstLine = first < lines.size() ? lines[first] : std::string_view();
  std::string comma = decimalCommaToken(firstLine);
  Detected detected = detect(head, fileName);
  if (!comma.empty() &&
      (detected != Detected::kPlain || firstLine.find('\t') != std::string_view::npos)) {
    // Only commas between the numbers of a line of blanks make the
    // numbers of a plain file; elsewhere a comma inside them is a decimal
    // mark, which the plain reader would take for a separator.
    decimalCommaError(source.label(), comma);
  }
  switch (detected) {
    case Detected::kPlain:
      return plainGroup(source, comma);
    case Detected::kTps:
      return readTpsFile(source);
    case Detected::kNts:
      return readNtsFile(source);
    case Detected::kTable:
      return readTableFile(source);
    case Detected::kMorphologika:
      return readMorphologikaFile(source);
    case Detected::kNone:
      break;
  }
  if (head.size() == kSniffBytes && head.find('\n') == std::string_view::npos) {
    // Its first line is longer than what was looked at: reading it shows
    // whether it breaks the bound on a line's length.
    std::string_view line;
    source.next(line);
  }
  throw Error(fileNamed(source.label()) +
              " is in none of the landmark file formats (plain numbers, TPS, NTS, CSV/TSV table "
              "with a header, Morphologika): its first lines hold no numbers");
}

}  // namespace

std::string formatName(GroupFormat format) {
  switch (format) {
    case GroupFormat::kPlain:
      return "plain";
    case GroupFormat::kTps:
      return "TPS";
    case GroupFormat::kNts:
      return "NTS";
    case GroupFormat::kTable:
      return "CSV table";
    case GroupFormat::kMorphologika:
      return "Morphologika";
  }
  return "plain";
}

LandmarkGroup readGroupFile(const std::string& path) {
  std::ifstream in;
  openGroupFile(path, in);
  LineSource source(in, path);
  return readGroup(source, fileNameOf(path));
}

LandmarkGroup parseGroupText(std::string_view text, std::string_view label,
                             std::string_view fileNameHint) {
  LineSource source(text, std::string(label));
  return readGroup(source, fileNameHint);
}

void checkGroupColumns(const Matrix& data, const GroupInfo& info, bool threeD,
                       std::string_view label) {
  try {
    checkLandmarkColumns(data, threeD, label);
  } catch (const Error& e) {
    if (info.decimalComma.empty()) {
      throw;
    }
    throw Error(std::string(e.what()) + "; the separator looks like a decimal comma (\"" +
                shownToken(info.decimalComma) +
                "\"): write numbers with a decimal point, or separate them with semicolons");
  }
}

bool holdsLandmarks(const LandmarkGroup& group, int dimension) {
  switch (group.info.kind) {
    case RowKind::kVariables:
      return false;
    case RowKind::kLandmarks:
      return group.info.dimension == dimension;
    case RowKind::kUnstated:
      break;
  }
  Index cols = group.data.cols();
  return cols >= dimension + 1 && (cols - 1) % dimension == 0;
}

std::string variablesTableText(const LandmarkGroup& group) {
  return "a table of " + std::to_string(group.data.cols()) +
         " variables, not landmark configurations";
}

}  // namespace vexmoor
