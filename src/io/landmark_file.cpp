#include "io/landmark_file.h"

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

std::string lineContext(std::string_view label, size_t lineNo) {
  return fileLine(label, lineNo);
}

// The text of the i-th number of a line (0-based), as parseNumbers splits it.
std::string_view tokenAt(std::string_view line, size_t i) {
  size_t pos = 0;
  for (size_t n = 0; pos < line.size(); ++n) {
    while (pos < line.size() && isNumberSeparator(line[pos])) {
      ++pos;
    }
    size_t start = pos;
    while (pos < line.size() && !isNumberSeparator(line[pos])) {
      ++pos;
    }
    if (n == i) {
      return line.substr(start, pos - start);
    }
  }
  return {};
}

std::vector<double> readRow(std::string_view line, std::string_view label, size_t lineNo) {
  std::string bad;
  auto numbers = parseNumbers(line, &bad);
  if (!numbers) {
    throw Error(lineContext(label, lineNo) + ": " + notANumber(bad));
  }
  for (size_t i = 0; i < numbers->size(); ++i) {
    if (!std::isfinite((*numbers)[i])) {
      throw Error(lineContext(label, lineNo) + ": \"" + shownToken(tokenAt(line, i)) +
                  "\" is not a finite number");
    }
  }
  if (numbers->empty()) {
    throw Error(lineContext(label, lineNo) + ": the line holds no numbers");
  }
  return *numbers;
}

}  // namespace

Matrix readPlainMatrix(LineSource& source) {
  const std::string& label = source.label();
  std::vector<double> values;
  size_t cols = 0;
  size_t rows = 0;
  std::string_view line;
  while (source.next(line)) {
    size_t lineNo = source.lineNumber();
    if (lineNo > 1 && (line.size() == 1 || isBlankLine(line))) {
      break;
    }
    std::vector<double> row = readRow(line, label, lineNo);
    if (lineNo == 1) {
      cols = row.size();
    } else if (row.size() != cols) {
      throw Error(lineContext(label, lineNo) + ": " + std::to_string(row.size()) +
                  " numbers where line 1 has " + std::to_string(cols));
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

Matrix parseLandmarkText(std::string_view text, std::string_view label) {
  LineSource source(text, std::string(label));
  return readPlainMatrix(source);
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
