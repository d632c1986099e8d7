#include "io/table_file.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "io/coordinate_columns.h"
#include "io/reader_support.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

std::string_view withoutLineBreak(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  return line;
}

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

// The field as a number; in a semicolon-separated table "1,25" is 1.25.
std::optional<double> fieldNumber(std::string_view field, char separator) {
  std::optional<double> v = parseNumber(field);
  if (!v && separator == ';' && field.find(',') != std::string_view::npos &&
      field.find(',') == field.rfind(',') && field.find('.') == std::string_view::npos) {
    std::string dotted(field);
    dotted[dotted.find(',')] = '.';
    v = parseNumber(dotted);
  }
  return v;
}

bool isNumberField(std::string_view field, char separator) {
  return fieldNumber(field, separator).has_value();
}

bool isMissingField(std::string_view field) {
  std::string f = lowered(field);
  return f.empty() || isMissingToken(f) || f == "n/a" || f == "." || f == "?" || f == "-";
}

bool namesIdentifiers(std::string_view header) {
  std::string h = lowered(trimWhiteSpace(header));
  for (const char* word :
       {"", "id", "ids", "ident", "identifier", "specimen", "specimens", "specimen_id",
        "specimen id", "specimenid", "name", "names", "label", "labels", "sample", "individual"}) {
    if (h == word) {
      return true;
    }
  }
  return false;
}

bool allNumbers(const std::vector<std::string>& fields, size_t from, char separator) {
  for (size_t i = from; i < fields.size(); ++i) {
    if (!isNumberField(fields[i], separator)) {
      return false;
    }
  }
  return true;
}

bool noNumbers(const std::vector<std::string>& fields, size_t from, char separator) {
  for (size_t i = from; i < fields.size(); ++i) {
    if (isNumberField(fields[i], separator)) {
      return false;
    }
  }
  return true;
}

bool isHeaderRow(const std::vector<std::string>& fields, char separator) {
  if (fields.size() == 1) {
    return !isNumberField(fields[0], separator);
  }
  return fields.size() > 1 && noNumbers(fields, 1, separator);
}

bool emptyRow(const std::vector<std::string>& fields) {
  for (const std::string& f : fields) {
    if (!f.empty()) {
      return false;
    }
  }
  return true;
}

// How the columns of a table are used.
struct ColumnRoles {
  std::optional<size_t> identifiers;
  size_t firstNumeric = 0;
  std::vector<std::string> skipped;  // names of text columns not read
};

std::string columnName(const std::vector<std::string>& header, size_t i) {
  if (i < header.size() && !header[i].empty()) {
    return "\"" + shownToken(header[i]) + "\"";
  }
  return std::to_string(i + 1);
}

ColumnRoles columnRoles(const std::vector<std::string>& header, bool hasHeader,
                        const std::vector<std::string>& firstRow, char separator) {
  ColumnRoles roles;
  size_t i = 0;
  if ((hasHeader && namesIdentifiers(header[0])) ||
      (!firstRow.empty() && !isNumberField(firstRow[0], separator) &&
       !isMissingField(firstRow[0]))) {
    roles.identifiers = 0;
    i = 1;
  }
  if (hasHeader) {
    // Text columns that stand before the measurements are labels, not data.
    while (i + 1 < firstRow.size() && !isNumberField(firstRow[i], separator) &&
           !isMissingField(firstRow[i])) {
      roles.skipped.push_back(columnName(header, i));
      ++i;
    }
  }
  roles.firstNumeric = i;
  return roles;
}

}  // namespace

char tableSeparator(std::string_view line) {
  bool quoted = false;
  bool comma = false, semicolon = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted) {
      if (c == '\t') {
        return '\t';
      }
      semicolon = semicolon || c == ';';
      comma = comma || c == ',';
    }
  }
  return semicolon ? ';' : comma ? ',' : ' ';
}

std::string fieldText(const std::string& field, char separator) {
  bool quote = field.find('"') != std::string::npos || field.find(separator) != std::string::npos ||
               (separator == ' ' && field.find('\t') != std::string::npos) ||
               (!field.empty() && (field.front() == ' ' || field.back() == ' '));
  if (!quote) {
    return field;
  }
  std::string out = "\"";
  for (char c : field) {
    out += c == '"' ? std::string("\"\"") : std::string(1, c);
  }
  return out + "\"";
}

std::vector<std::string> splitFields(std::string_view line, char separator,
                                     const std::string& context) {
  line = withoutLineBreak(line);
  std::vector<std::string> fields;
  size_t pos = 0;
  auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  for (;;) {
    if (separator == ' ') {
      while (pos < line.size() && isBlank(line[pos])) {
        ++pos;
      }
      if (pos == line.size()) {
        break;
      }
    } else {
      while (pos < line.size() && line[pos] == ' ') {
        ++pos;
      }
    }
    std::string field;
    if (pos < line.size() && line[pos] == '"') {
      ++pos;
      for (;;) {
        if (pos >= line.size()) {
          throw Error(context + ": a quoted field has no closing quote");
        }
        if (line[pos] == '"') {
          if (pos + 1 < line.size() && line[pos + 1] == '"') {
            field += '"';
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        field += line[pos++];
      }
      // Blanks may follow the closing quote.
      while (pos < line.size() && isBlank(line[pos]) && line[pos] != separator) {
        ++pos;
      }
    } else {
      size_t start = pos;
      while (pos < line.size() && line[pos] != separator &&
             !(separator == ' ' && isBlank(line[pos]))) {
        ++pos;
      }
      field = std::string(trimWhiteSpace(line.substr(start, pos - start)));
    }
    fields.push_back(std::move(field));
    if (separator == ' ') {
      continue;
    }
    if (pos >= line.size()) {
      break;
    }
    if (line[pos] != separator) {
      throw Error(context + ": text after a quoted field, before the next separator");
    }
    ++pos;
  }
  return fields;
}

std::vector<std::string> splitLineFields(LineSource& source, std::string_view line, char separator,
                                         const std::string& context) {
  if (std::count(line.begin(), line.end(), '"') % 2 == 1) {
    // A quote left open whose close stands on a later line: a field that
    // holds a line break, which the line-by-line reading cannot take.
    std::string_view rest = source.peek(size_t{1} << 16);
    if (rest.find('"') != std::string_view::npos) {
      throw Error(context + ": a quoted field holds a line break; each field must end on its line");
    }
  }
  return splitFields(line, separator, context);
}

TableStart classifyTableStart(std::string_view first, std::string_view second) {
  // Blanks after the last number (spreadsheets end lines in a tab) are no
  // field of their own.
  first = trimTrailingWhiteSpace(first);
  second = trimTrailingWhiteSpace(second);
  char separator = tableSeparator(first);
  std::vector<std::string> fields;
  try {
    fields = splitFields(first, separator, "");
  } catch (const Error&) {
    return TableStart::kTable;  // the table reader reports it with its line
  }
  bool quoted = first.find('"') != std::string_view::npos;
  if (fields.empty()) {
    return TableStart::kPlain;
  }
  if (allNumbers(fields, 0, separator)) {
    return separator == ';' || quoted ? TableStart::kTable : TableStart::kPlain;
  }
  if (fields.size() > 1 && !isNumberField(fields[0], separator) &&
      allNumbers(fields, 1, separator)) {
    // Identifiers without a header, unless the first field is a number out
    // of range (1e400) or the next row starts with a number: then it is a
    // bad number of a plain file, which the plain reader names.
    if (isOutOfRangeNumber(fields[0])) {
      return TableStart::kPlain;
    }
    std::vector<std::string> next;
    try {
      next = splitFields(second, separator, "");
    } catch (const Error&) {
      return TableStart::kTable;
    }
    bool numberNext = next.size() == fields.size() && isNumberField(next[0], separator);
    return numberNext ? TableStart::kPlain : TableStart::kTable;
  }
  if (!isHeaderRow(fields, separator)) {
    return TableStart::kPlain;  // a bad number in a plain file: its reader says which
  }
  if (second.empty()) {
    return TableStart::kNoData;
  }
  std::vector<std::string> next;
  try {
    next = splitFields(second, separator, "");
  } catch (const Error&) {
    return TableStart::kTable;
  }
  return noNumbers(next, 0, separator) ? TableStart::kNoData : TableStart::kTable;
}

LandmarkGroup readTableFile(LineSource& source) {
  const std::string& label = source.label();
  std::string_view line;
  char separator = ' ';
  std::vector<std::string> header;
  bool hasHeader = false;
  bool started = false;
  ColumnRoles roles;
  size_t width = 0;
  std::vector<double> values;
  std::vector<std::string> identifiers;
  size_t rows = 0;
  bool emptyLast = false;  // the header's last column is empty
  while (source.next(line)) {
    size_t lineNo = source.lineNumber();
    if (isBlankLine(line)) {
      continue;
    }
    if (!started) {
      separator = tableSeparator(withoutLineBreak(line));
    }
    std::vector<std::string> fields =
        splitLineFields(source, line, separator, fileLine(label, lineNo));
    if (emptyRow(fields)) {
      continue;
    }
    if (!started) {
      started = true;
      width = fields.size();
      if (isHeaderRow(fields, separator)) {
        hasHeader = true;
        header = std::move(fields);
        // A separator at the end of every line ("...,cs,") makes an empty
        // last column, header included: no column at all, unless the first
        // row holds a value there.
        emptyLast = width > 1 && header.back().empty();
        continue;
      }
    }
    if (emptyLast && fields.size() == width) {
      if (rows == 0 && !fields.back().empty()) {
        emptyLast = false;
      } else if (!fields.back().empty()) {
        throw Error(fileLine(label, lineNo) + ": \"" + shownToken(fields.back()) +
                    "\" stands in the last column, which the header and the rows before leave "
                    "empty");
      } else {
        fields.pop_back();
      }
    }
    if (emptyLast && rows == 0 && header.size() == width) {
      header.pop_back();
    }
    size_t rowWidth = emptyLast ? width - 1 : width;
    if (fields.size() != rowWidth) {
      throw Error(fileLine(label, lineNo) + ": " + std::to_string(fields.size()) +
                  " fields where " + (hasHeader ? "the header has " : "the first row has ") +
                  std::to_string(width));
    }
    if (rows == 0) {
      roles = columnRoles(header, hasHeader, fields, separator);
    }
    ++rows;
    std::string specimen = roles.identifiers ? fields[*roles.identifiers] : std::to_string(rows);
    for (size_t c = roles.firstNumeric; c < fields.size(); ++c) {
      std::string where = fileLine(label, lineNo) + " (specimen \"" + shownToken(specimen) +
                          "\"), column " + columnName(header, c);
      const std::string& field = fields[c];
      if (isMissingField(field)) {
        values.push_back(kMissingValue);
        continue;
      }
      std::optional<double> v = fieldNumber(field, separator);
      if (!v) {
        throw Error(where + ": " + notANumber(field));
      }
      if (!std::isfinite(*v)) {
        throw Error(where + ": \"" + shownToken(field) + "\" is not a finite number");
      }
      values.push_back(*v);
    }
    checkValueCount(values.size(), label, lineNo);
    identifiers.push_back(std::move(specimen));
  }
  if (rows == 0) {
    throw Error(fileNamed(label) +
                (hasHeader ? " has a header but no rows of numbers" : " holds no rows of numbers"));
  }
  auto cols = static_cast<Index>((emptyLast ? width - 1 : width) - roles.firstNumeric);
  if (cols == 0) {
    throw Error(fileNamed(label) + " has no numeric columns");
  }
  LandmarkGroup group;
  group.info.format = GroupFormat::kTable;
  group.info.identifiers = std::move(identifiers);
  for (const std::string& name : roles.skipped) {
    group.info.warnings.push_back("text column " + name + " skipped");
  }
  Matrix table = rowMajorMatrix(values, static_cast<Index>(rows), cols);
  std::optional<CoordinateLayout> layout;
  if (hasHeader) {
    std::vector<std::string> names(header.begin() + static_cast<std::ptrdiff_t>(roles.firstNumeric),
                                   header.end());
    try {
      layout = coordinateLayout(names);
    } catch (const Error& e) {
      rethrowWithContext(fileLine(label, 1) + " (the header)", e);
    }
  }
  if (!layout) {
    group.info.kind = hasHeader ? RowKind::kVariables : RowKind::kUnstated;
    group.data = std::move(table);
    return group;
  }
  group.info.kind = RowKind::kLandmarks;
  group.info.dimension = layout->dimension;
  Index coordinates = static_cast<Index>(layout->order.size());
  std::vector<double> ordered;
  ordered.reserve(static_cast<size_t>(table.rows() * coordinates));
  for (Index r = 0; r < table.rows(); ++r) {
    for (size_t c : layout->order) {
      ordered.push_back(table(r, static_cast<Index>(c)));
    }
  }
  if (layout->trailing) {
    Matrix x(table.rows(), coordinates + 1);
    x << rowMajorMatrix(ordered, table.rows(), coordinates),
        table.col(static_cast<Index>(*layout->trailing));
    group.data = std::move(x);
  } else {
    group.data = withCentroidSizes(ordered, table.rows(), layout->landmarks, layout->dimension);
  }
  return group;
}

}  // namespace vexmoor
