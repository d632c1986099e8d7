#include "io/group_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>

#include "io/landmark_file.h"
#include "io/line_source.h"
#include "io/morphologika_file.h"
#include "io/nts_file.h"
#include "io/reader_support.h"
#include "io/table_file.h"
#include "io/tps_file.h"
#include "runtime/error.h"
#include "runtime/text.h"

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
  return splitTokens(line, kNumberSeparators).size();
}

// A token of `line` that reads as a number with a decimal comma ("235,17")
// where blanks or tabs separate the numbers and none holds a decimal
// point; empty when there is none.
std::string decimalCommaToken(std::string_view line) {
  if (line.find_first_of(".;\"") != std::string_view::npos) {
    return {};
  }
  std::string found;
  std::vector<std::string_view> tokens = splitTokens(line);
  for (std::string_view t : tokens) {
    size_t comma = t.find(',');
    if (comma == std::string_view::npos) {
      if (!parseNumber(t)) {
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
  return tokens.size() >= 2 ? found : std::string();
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
  std::vector<std::string_view> tokens = splitTokens(body);
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
    if (certain || lowerCaseExtension(fileName) == ".nts" ||
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
  g.data = readPlainMatrix(source, &g.info.warnings);
  g.info.decimalComma = std::move(decimalComma);
  g.info.format = GroupFormat::kPlain;
  g.info.kind = RowKind::kUnstated;
  for (Index i = 0; i < g.data.rows(); ++i) {
    g.info.identifiers.push_back(std::to_string(i + 1));
  }
  return g;
}

// "2, 5 and 9", at most ten numbers and then how many in all.
std::string numberList(const std::vector<size_t>& numbers) {
  constexpr size_t kListed = 10;
  std::string out;
  for (size_t i = 0; i < numbers.size() && i < kListed; ++i) {
    out += (i == 0 ? "" : i + 1 == numbers.size() ? " and " : ", ") + std::to_string(numbers[i]);
  }
  if (numbers.size() > kListed) {
    out += ", ... (" + std::to_string(numbers.size()) + " in all)";
  }
  return out;
}

// Where a row of the group has missing values, by the units its kind
// counts: landmarks of landmark data, else columns. A trailing value that
// the reader computed from missing coordinates is no missing value of its
// own.
DroppedSpecimen missingOf(const LandmarkGroup& g, Index row) {
  DroppedSpecimen s;
  s.specimen = static_cast<size_t>(row) + 1;
  s.identifier = g.info.identifiers.at(static_cast<size_t>(row));
  const bool landmarks = g.info.kind == RowKind::kLandmarks;
  const Index width = landmarks ? *g.info.dimension : 1;
  const Index coordinates = landmarks ? g.data.cols() - 1 : g.data.cols();
  for (Index c = 0; c < coordinates; ++c) {
    auto unit = static_cast<size_t>(c / width) + 1;
    if (std::isnan(g.data(row, c)) && (s.missing.empty() || s.missing.back() != unit)) {
      s.missing.push_back(unit);
    }
  }
  s.trailingValue = landmarks && s.missing.empty() && std::isnan(g.data(row, coordinates));
  return s;
}

// Refuses the group, or leaves out its incomplete specimens, by `missing`.
void settleMissingValues(LandmarkGroup& g, std::string_view label, MissingValues missing) {
  std::vector<DroppedSpecimen> incomplete;
  std::vector<Index> complete;
  for (Index r = 0; r < g.data.rows(); ++r) {
    if (g.data.row(r).array().isNaN().any()) {
      incomplete.push_back(missingOf(g, r));
    } else {
      complete.push_back(r);
    }
  }
  if (incomplete.empty()) {
    return;
  }
  constexpr size_t kListed = 10;
  std::string list;
  for (size_t i = 0; i < incomplete.size() && i < kListed; ++i) {
    list += (i == 0 ? "" : "; ") + droppedText(incomplete[i], g.info.kind);
  }
  if (incomplete.size() > kListed) {
    list += "; and " + std::to_string(incomplete.size() - kListed) + " more";
  }
  std::string count = std::to_string(incomplete.size()) +
                      (incomplete.size() == 1 ? " specimen has" : " specimens have");
  if (complete.empty()) {
    throw Error(fileNamed(label) + ": every specimen has missing values (" + list + ")");
  }
  if (missing == MissingValues::kRefuse) {
    throw IncompleteSpecimens(
        fileNamed(label) + ": " + count + " missing values (" + list +
        "); the analyses need complete specimens: drop-incomplete leaves these out");
  }
  Matrix kept(static_cast<Index>(complete.size()), g.data.cols());
  std::vector<std::string> identifiers;
  for (size_t i = 0; i < complete.size(); ++i) {
    kept.row(static_cast<Index>(i)) = g.data.row(complete[i]);
    identifiers.push_back(g.info.identifiers.at(static_cast<size_t>(complete[i])));
  }
  g.data = std::move(kept);
  g.info.identifiers = std::move(identifiers);
  g.info.dropped = std::move(incomplete);
}

LandmarkGroup readFormat(LineSource& source, std::string_view fileName) {
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
  // A decimal comma taken for a separator shows up as a wrong count or a
  // field that is no number; the error then says what it may be.
  std::string loose = comma.empty() ? decimalCommaNumber(firstLine) : comma;
  auto advised = [&loose](auto read) {
    try {
      return read();
    } catch (const Error& e) {
      if (loose.empty() || std::string_view(e.what()).find("decimal comma") != std::string::npos) {
        throw;
      }
      throw Error(e.what() + decimalCommaAdvice(loose));
    }
  };
  switch (detected) {
    case Detected::kPlain:
      return advised([&] { return plainGroup(source, loose); });
    case Detected::kTps:
      return readTpsFile(source);
    case Detected::kNts:
      return readNtsFile(source);
    case Detected::kTable:
      return advised([&] { return readTableFile(source); });
    case Detected::kMorphologika:
      return readMorphologikaFile(source);
    case Detected::kNone:
      break;
  }
  std::string advice = decimalCommaAdvice(loose);
  if (head.size() == kSniffBytes && head.find('\n') == std::string_view::npos) {
    // Its first line is longer than what was looked at: reading it shows
    // whether it breaks the bound on a line's length.
    std::string_view line;
    source.next(line);
  }
  throw Error(fileNamed(source.label()) +
              " is in none of the landmark file formats (plain numbers, TPS, NTS, CSV/TSV table "
              "with a header, Morphologika): its first lines hold no numbers" +
              advice);
}

LandmarkGroup readGroup(LineSource& source, std::string_view fileName, MissingValues missing) {
  LandmarkGroup g = readFormat(source, fileName);
  settleMissingValues(g, source.label(), missing);
  return g;
}

}  // namespace

std::string droppedText(const DroppedSpecimen& s, RowKind kind) {
  std::string text = "specimen " + std::to_string(s.specimen);
  if (s.identifier != std::to_string(s.specimen)) {
    text += " (\"" + shownToken(s.identifier) + "\")";
  }
  if (s.trailingValue) {
    return text + ": the trailing value";
  }
  std::string unit = kind == RowKind::kLandmarks   ? "landmark"
                     : kind == RowKind::kVariables ? "variable"
                                                   : "column";
  return text + ": " + unit + (s.missing.size() == 1 ? " " : "s ") + numberList(s.missing);
}

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

LandmarkGroup readGroupFile(const std::string& path, MissingValues missing) {
  std::ifstream in;
  openGroupFile(path, in);
  LineSource source(in, path);
  return readGroup(source, fileNameOf(path), missing);
}

LandmarkGroup parseGroupText(std::string_view text, std::string_view label,
                             std::string_view fileNameHint, MissingValues missing) {
  LineSource source(text, std::string(label));
  return readGroup(source, fileNameHint, missing);
}

void checkGroupColumns(const Matrix& data, const GroupInfo& info, bool threeD,
                       std::string_view label) {
  try {
    checkLandmarkColumns(data, threeD, label);
  } catch (const Error& e) {
    if (info.decimalComma.empty()) {
      throw;
    }
    throw Error(std::string(e.what()) + decimalCommaAdvice(info.decimalComma));
  }
}

std::string variablesTableText(const LandmarkGroup& group) {
  return "a table of " + std::to_string(group.data.cols()) +
         " variables, not landmark configurations";
}

}  // namespace vexmoor
