#include "io/nts_file.h"

#include <cctype>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "io/coordinate_columns.h"
#include "io/reader_support.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

std::string_view withoutComment(std::string_view line) {
  size_t c = line.find_first_of("\"'");
  return c == std::string_view::npos ? line : line.substr(0, c);
}

// n or p of the parameter line: digits, then an optional L.
std::optional<size_t> countOf(std::string_view token, bool& labelled) {
  labelled = !token.empty() && (token.back() == 'L' || token.back() == 'l');
  if (labelled) {
    token.remove_suffix(1);
  }
  if (token.empty() || token.size() > 9) {
    return std::nullopt;
  }
  size_t n = 0;
  for (char c : token) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  return n;
}

std::optional<int> dimOf(std::string_view token) {
  if (token.size() != 5) {
    return std::nullopt;
  }
  std::string head(token.substr(0, 4));
  for (char& c : head) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (head != "DIM=" || (token[4] != '2' && token[4] != '3')) {
    return std::nullopt;
  }
  return token[4] - '0';
}

struct Parameters {
  size_t rows = 0, cols = 0;
  bool rowLabels = false, colLabels = false;
  std::optional<std::string> missingCode;
  std::optional<int> dimension;
};

// nullopt, with the reason in `problem`, when the tokens are no parameter
// line of a rectangular matrix.
std::optional<Parameters> parametersOf(const std::vector<std::string_view>& t,
                                       std::string* problem) {
  auto fail = [&](std::string why) -> std::optional<Parameters> {
    if (problem) {
      *problem = std::move(why);
    }
    return std::nullopt;
  };
  if (t.size() < 4) {
    return fail("the parameter line needs at least 4 entries: 1 n p m");
  }
  if (t[0] != "1") {
    return fail("matrix type \"" + shownToken(t[0]) +
                "\" is not 1, the rectangular data matrix this reader takes");
  }
  Parameters p;
  std::optional<size_t> n = countOf(t[1], p.rowLabels);
  std::optional<size_t> m = countOf(t[2], p.colLabels);
  if (!n || !m || *n == 0 || *m == 0) {
    return fail("the row and column counts of the parameter line must be positive whole numbers");
  }
  p.rows = *n;
  p.cols = *m;
  size_t next = 4;
  if (t[3] == "1") {
    if (t.size() < 5) {
      return fail("the parameter line declares missing values (1) but gives no code for them");
    }
    p.missingCode = std::string(t[4]);
    next = 5;
  } else if (t[3] != "0") {
    return fail("the fourth entry of the parameter line must be 0 or 1 (missing values)");
  }
  for (; next < t.size(); ++next) {
    std::optional<int> d = dimOf(t[next]);
    if (!d) {
      std::string head(t[next].substr(0, 4));
      for (char& c : head) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      }
      return fail("\"" + shownToken(t[next]) + "\" " +
                  (head == "DIM=" ? "gives no dimension: DIM= takes 2 or 3"
                                  : "is no part of a parameter line"));
    }
    p.dimension = d;
  }
  return p;
}

// The tokens of the file after the parameter line, one at a time.
class TokenStream {
 public:
  explicit TokenStream(LineSource& source) : m_source(source) {}
  // False at the end of the file.
  bool next(std::string_view& token) {
    while (m_index >= m_tokens.size()) {
      std::string_view line;
      if (!m_source.next(line)) {
        return false;
      }
      m_line.assign(withoutComment(line));
      m_tokens = splitTokens(m_line);
      m_index = 0;
    }
    token = m_tokens[m_index++];
    return true;
  }
  size_t lineNumber() const { return m_source.lineNumber(); }

 private:
  LineSource& m_source;
  std::string m_line;
  std::vector<std::string_view> m_tokens;
  size_t m_index = 0;
};

std::string countText(const Parameters& p) {
  return std::to_string(p.rows) + " rows of " + std::to_string(p.cols) + " numbers (" +
         std::to_string(p.rows * p.cols) + ")";
}

bool isMissing(std::string_view token, const std::string& code) {
  if (token == code) {
    return true;
  }
  std::optional<double> a = parseNumber(token), b = parseNumber(code);
  return a && b && *a == *b;
}

}  // namespace

bool isNtsParameterLine(std::string_view line, bool& certain) {
  std::vector<std::string_view> t = splitTokens(withoutComment(line));
  std::optional<Parameters> p = parametersOf(t, nullptr);
  certain = p && (p->rowLabels || p->colLabels || p->dimension || p->missingCode);
  return p.has_value();
}

LandmarkGroup readNtsFile(LineSource& source) {
  const std::string& label = source.label();
  std::string_view line;
  std::vector<std::string_view> tokens;
  std::string parameterText;
  while (tokens.empty()) {
    if (!source.next(line)) {
      throw Error(fileNamed(label) + " holds no NTS parameter line");
    }
    parameterText.assign(withoutComment(line));
    tokens = splitTokens(parameterText);
  }
  size_t parameterLine = source.lineNumber();
  std::string problem;
  std::optional<Parameters> p = parametersOf(tokens, &problem);
  if (!p) {
    throw Error(fileLine(label, parameterLine) + ": " + problem);
  }
  if (p->rows * p->cols > kMaxValues) {
    throw Error(fileLine(label, parameterLine) + ": " + countText(*p) +
                " are more than a group file can hold");
  }
  std::string announced =
      "the parameter line (line " + std::to_string(parameterLine) + ") announces ";
  TokenStream stream(source);
  std::string_view token;
  auto readLabels = [&](size_t count, const char* what) {
    std::vector<std::string> out;
    while (out.size() < count) {
      if (!stream.next(token)) {
        throw Error(fileNamed(label) + ": " + announced + std::to_string(count) + " " + what +
                    ", the file ends after " + std::to_string(out.size()));
      }
      out.emplace_back(token);
    }
    return out;
  };
  std::vector<std::string> rowLabels, colLabels;
  if (p->rowLabels) {
    rowLabels = readLabels(p->rows, "row labels");
  }
  if (p->colLabels) {
    colLabels = readLabels(p->cols, "column labels");
  }
  auto specimen = [&](size_t r) {
    return "specimen " + std::to_string(r + 1) +
           (rowLabels.empty() ? "" : " (\"" + shownToken(rowLabels[r]) + "\")");
  };
  auto variable = [&](size_t c) {
    return "variable " + std::to_string(c + 1) +
           (colLabels.empty() ? "" : " (\"" + shownToken(colLabels[c]) + "\")");
  };
  std::vector<double> values;
  values.reserve(p->rows * p->cols);
  while (values.size() < p->rows * p->cols) {
    if (!stream.next(token)) {
      throw Error(fileNamed(label) + ": " + announced + countText(*p) + ", the file holds " +
                  std::to_string(values.size()));
    }
    size_t r = values.size() / p->cols, c = values.size() % p->cols;
    std::string where =
        fileLine(label, stream.lineNumber()) + ", " + specimen(r) + ", " + variable(c);
    if (p->missingCode && isMissing(token, *p->missingCode)) {
      values.push_back(kMissingValue);
      continue;
    }
    std::optional<double> v = parseNumber(token);
    if (!v) {
      throw Error(where + ": " + notANumber(token));
    }
    if (!std::isfinite(*v)) {
      throw Error(where + ": \"" + shownToken(token) + "\" is not a finite number");
    }
    values.push_back(*v);
  }
  if (stream.next(token)) {
    throw Error(fileLine(label, stream.lineNumber()) + ": \"" + shownToken(token) +
                "\" is one more than the " + countText(*p) + " that the parameter line (line " +
                std::to_string(parameterLine) + ") announces");
  }

  LandmarkGroup group;
  GroupInfo& info = group.info;
  info.format = GroupFormat::kNts;
  for (size_t r = 0; r < p->rows; ++r) {
    info.identifiers.push_back(rowLabels.empty() ? std::to_string(r + 1) : rowLabels[r]);
  }
  auto rows = static_cast<Index>(p->rows);
  if (p->dimension) {
    int d = *p->dimension;
    if (p->cols % static_cast<size_t>(d) != 0) {
      throw Error(fileLine(label, parameterLine) + ": " + std::to_string(p->cols) +
                  " columns do not make landmarks of DIM=" + std::to_string(d));
    }
    info.kind = RowKind::kLandmarks;
    info.dimension = d;
    group.data = withCentroidSizes(values, rows, static_cast<Index>(p->cols) / d, d);
    return group;
  }
  std::optional<CoordinateLayout> layout;
  if (!colLabels.empty()) {
    try {
      layout = coordinateLayout(colLabels);
    } catch (const Error& e) {
      rethrowWithContext(fileNamed(label) + ", column labels", e);
    }
  }
  if (layout && !layout->trailing) {
    std::vector<double> ordered;
    ordered.reserve(values.size());
    for (size_t r = 0; r < p->rows; ++r) {
      for (size_t c : layout->order) {
        ordered.push_back(values[r * p->cols + c]);
      }
    }
    info.kind = RowKind::kLandmarks;
    info.dimension = layout->dimension;
    group.data = withCentroidSizes(ordered, rows, layout->landmarks, layout->dimension);
    return group;
  }
  if (layout) {
    throw Error(fileNamed(label) + ", column labels: \"" +
                shownToken(colLabels[*layout->trailing]) +
                "\" is not a landmark coordinate; an NTS file of landmarks holds coordinates only");
  }
  info.kind = RowKind::kVariables;
  group.data = rowMajorMatrix(values, rows, static_cast<Index>(p->cols));
  return group;
}

}  // namespace vexmoor
