#include "io/landmark_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "io/line_source.h"
#include "io/reader_support.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

std::vector<double> readRow(std::string_view line, std::string_view label, size_t lineNo) {
  std::vector<double> row;
  try {
    appendNumbers(line, row);
  } catch (const Error& e) {
    rethrowWithContext(fileLine(label, lineNo), e);
  }
  if (row.empty()) {
    throw Error(fileLine(label, lineNo) + ": the line holds no numbers");
  }
  return row;
}

// After the blank line that ends the data: the lines of numbers behind it
// would have been specimens, so their count is worth a warning; notes and
// other text are what such a line is meant for.
void warnAboutUnreadLines(LineSource& source, std::vector<std::string>& warnings) {
  const size_t blank = source.lineNumber();
  size_t unread = 0;
  std::string_view line;
  try {
    while (source.next(line)) {
      std::vector<std::string_view> tokens = splitTokens(line, kNumberSeparators);
      unread += !tokens.empty() && std::all_of(tokens.begin(), tokens.end(),
                                               [](auto t) { return parseNumber(t).has_value(); });
    }
  } catch (const Error&) {
    // What stands behind the data is never read as data: a line beyond the
    // bounds there only ends the count.
  }
  if (unread > 0) {
    warnings.push_back("line " + std::to_string(blank) + " is blank, which ends the data: the " +
                       std::to_string(unread) + (unread == 1 ? " line" : " lines") +
                       " of numbers after it " + (unread == 1 ? "is" : "are") + " not read");
  }
}

}  // namespace

Matrix readPlainMatrix(LineSource& source, std::vector<std::string>* warnings) {
  const std::string& label = source.label();
  std::vector<double> values;
  size_t cols = 0;
  size_t rows = 0;
  std::string firstComma;
  std::string_view line;
  while (source.next(line)) {
    size_t lineNo = source.lineNumber();
    if (lineNo > 1 && (line.size() == 1 || isBlankLine(line))) {
      if (warnings) {
        warnAboutUnreadLines(source, *warnings);
      }
      break;
    }
    std::vector<double> row = readRow(line, label, lineNo);
    if (lineNo == 1) {
      cols = row.size();
      firstComma = decimalCommaNumber(line);
    } else if (row.size() != cols) {
      std::string comma = decimalCommaNumber(line);
      throw Error(fileLine(label, lineNo) + ": " + std::to_string(row.size()) +
                  " numbers where line 1 has " + std::to_string(cols) +
                  decimalCommaAdvice(comma.empty() ? firstComma : comma));
    }
    checkValueCount(values.size() + row.size(), label, lineNo);
    values.insert(values.end(), row.begin(), row.end());
    ++rows;
  }
  if (rows == 0) {
    throw Error(fileNamed(label) + " is empty");
  }
  return rowMajorMatrix(values, static_cast<Index>(rows), static_cast<Index>(cols));
}

void openGroupFile(const std::string& path, std::ifstream& in) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw Error("cannot read file \"" + escapeNonPrintable(path) + "\": it is a folder");
  }
  in.open(path, std::ios::binary);
  if (!in) {
    throw Error("cannot open file \"" + escapeNonPrintable(path) + "\": " + std::strerror(errno));
  }
}

Matrix readLandmarkFile(const std::string& path) {
  std::ifstream in;
  openGroupFile(path, in);
  LineSource source(in, path);
  return readPlainMatrix(source);
}

void checkLandmarkColumns(const Matrix& x, bool threeD, std::string_view label) {
  Index d = threeD ? 3 : 2;
  if (x.cols() < d + 1 || (x.cols() - 1) % d != 0) {
    throw Error("file \"" + std::string(label) + "\" has " + std::to_string(x.cols()) +
                " values per line; " + (threeD ? "three" : "two") + "-dimensional data need " +
                std::to_string(d) + "k + 1 (k landmarks, then a trailing value)");
  }
}

std::string fileNameOf(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace vexmoor
