#include "io/landmark_file.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

bool isBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

std::string lineContext(std::string_view label, size_t lineNo) {
  return "file \"" + std::string(label) + "\", line " + std::to_string(lineNo);
}

// A token as a message shows it: a binary file may hold one of any length,
// and of any bytes.
std::string shownToken(std::string_view token) {
  constexpr size_t kShown = 40;
  return token.size() <= kShown ? escapeNonPrintable(token)
                                : escapeNonPrintable(token.substr(0, kShown)) + "...";
}

// The text of the i-th number of a line (0-based), as parseNumbers splits it.
std::string_view tokenAt(std::string_view line, size_t i) {
  auto separator = [](char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n';
  };
  size_t pos = 0;
  for (size_t n = 0; pos < line.size(); ++n) {
    while (pos < line.size() && separator(line[pos])) {
      ++pos;
    }
    size_t start = pos;
    while (pos < line.size() && !separator(line[pos])) {
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
    throw Error(lineContext(label, lineNo) + ": \"" + shownToken(bad) + "\" is not a number");
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

Matrix parseLandmarkText(std::string_view text, std::string_view label) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    text.remove_prefix(3);
  }
  if (text.empty()) {
    throw Error("file \"" + std::string(label) + "\" is empty");
  }
  std::vector<std::vector<double>> rows;
  size_t pos = 0;
  for (size_t lineNo = 1; pos < text.size(); ++lineNo) {
    size_t end = text.find('\n', pos);
    size_t next = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line = text.substr(pos, next - pos);  // with its line break
    pos = next;
    if (lineNo > 1 && (line.size() == 1 || isBlankLine(line))) {
      break;
    }
    rows.push_back(readRow(line, label, lineNo));
    if (rows.back().size() != rows.front().size()) {
      throw Error(lineContext(label, lineNo) + ": " + std::to_string(rows.back().size()) +
                  " numbers where line 1 has " + std::to_string(rows.front().size()));
    }
  }
  Matrix x(static_cast<Index>(rows.size()), static_cast<Index>(rows.front().size()));
  for (Index i = 0; i < x.rows(); ++i) {
    for (Index j = 0; j < x.cols(); ++j) {
      x(i, j) = rows[static_cast<size_t>(i)][static_cast<size_t>(j)];
    }
  }
  return x;
}

Matrix readLandmarkFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw Error("cannot read file \"" + path + "\": it is a folder");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw Error("cannot open file \"" + path + "\": " + std::strerror(errno));
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) {
    throw Error("cannot read file \"" + path + "\"");
  }
  return parseLandmarkText(buffer.str(), path);
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
