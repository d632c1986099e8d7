#include "io/reader_support.h"

#include <cctype>
#include <cmath>

#include "io/line_source.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {

std::string fileNamed(std::string_view label) {
  return "file \"" + std::string(label) + "\"";
}

std::string fileLine(std::string_view label, size_t lineNo) {
  return fileNamed(label) + ", line " + std::to_string(lineNo);
}

std::string shownToken(std::string_view token) {
  constexpr size_t kShown = 40;
  return token.size() <= kShown ? escapeNonPrintable(token)
                                : escapeNonPrintable(token.substr(0, kShown)) + "...";
}

bool isBlankLine(std::string_view line) {
  return trimWhiteSpace(line).empty();
}

std::string notANumber(std::string_view token) {
  bool tooLarge = false;
  std::string shown = "\"" + shownToken(token) + "\"";
  if (!isOutOfRangeNumber(token, &tooLarge)) {
    return shown + " is not a number";
  }
  return shown + (tooLarge ? " is out of range: numbers must lie between -1.8e308 and 1.8e308"
                           : " is out of range: it is closer to zero than the smallest number, "
                             "about 4.9e-324");
}

bool isMissingToken(std::string_view token) {
  std::string lower(token);
  for (char& c : lower) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return lower == "na" || lower == "nan";
}

size_t appendNumbers(std::string_view line, std::vector<double>& out, bool missingAllowed) {
  std::vector<std::string_view> tokens = splitTokens(line, kNumberSeparators);
  for (std::string_view token : tokens) {
    if (missingAllowed && isMissingToken(token)) {
      out.push_back(kMissingValue);
      continue;
    }
    std::optional<double> v = parseNumber(token);
    if (!v) {
      throw Error(notANumber(token));
    }
    if (!std::isfinite(*v)) {
      throw Error("\"" + shownToken(token) + "\" is not a finite number");
    }
    out.push_back(*v);
  }
  return tokens.size();
}

void checkValueCount(size_t count, std::string_view label, size_t lineNo) {
  if (count > kMaxValues) {
    throw Error(fileLine(label, lineNo) + ": the group holds more than " +
                std::to_string(kMaxValues) + " numbers, more than a group file can hold");
  }
}

Matrix rowMajorMatrix(const std::vector<double>& values, Index rows, Index cols) {
  using RowMajor = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
  return Eigen::Map<const RowMajor>(values.data(), rows, cols);
}

Matrix withCentroidSizes(const std::vector<double>& coordinates, Index rows, Index landmarks,
                         int dimension) {
  Index width = landmarks * dimension;
  Matrix x(rows, width + 1);
  for (Index r = 0; r < rows; ++r) {
    const double* row = coordinates.data() + r * width;
    double means[3] = {0, 0, 0};
    for (int a = 0; a < dimension; ++a) {
      for (Index j = 0; j < landmarks; ++j) {
        means[a] += row[j * dimension + a];
      }
      means[a] /= static_cast<double>(landmarks);
    }
    double sum = 0;
    for (Index j = 0; j < landmarks; ++j) {
      for (int a = 0; a < dimension; ++a) {
        double d = row[j * dimension + a] - means[a];
        sum += d * d;
      }
    }
    for (Index c = 0; c < width; ++c) {
      x(r, c) = row[c];
    }
    x(r, width) = std::sqrt(sum);
  }
  return x;
}

std::string decimalCommaNumber(std::string_view line) {
  auto digits = [](std::string_view d) {
    return !d.empty() && d.find_first_not_of("0123456789") == std::string_view::npos;
  };
  for (std::string_view t : splitTokens(line)) {
    size_t comma = t.find(',');
    if (comma == std::string_view::npos || t.find('.') != std::string_view::npos) {
      continue;
    }
    std::string_view whole = t.substr(0, comma), fraction = t.substr(comma + 1);
    if (!whole.empty() && (whole.front() == '-' || whole.front() == '+')) {
      whole.remove_prefix(1);
    }
    // The fraction may carry an exponent: 1,5e-3.
    std::string dotted = std::string(whole) + "." + std::string(fraction);
    if (digits(whole) && !fraction.empty() &&
        std::isdigit(static_cast<unsigned char>(fraction[0])) && parseNumber(dotted)) {
      return std::string(t);
    }
  }
  return {};
}

std::string decimalCommaAdvice(std::string_view token) {
  if (token.empty()) {
    return {};
  }
  return "; the separator looks like a decimal comma (\"" + shownToken(token) +
         "\"): write numbers with a decimal point, or separate them with semicolons";
}

std::string specimenList(const std::vector<size_t>& specimens) {
  constexpr size_t kListed = 8;
  std::string out = specimens.size() == 1 ? "specimen " : "specimens ";
  for (size_t i = 0; i < specimens.size() && i < kListed; ++i) {
    if (i > 0) {
      out += i + 1 == specimens.size() ? " and " : ", ";
    }
    out += std::to_string(specimens[i]);
  }
  if (specimens.size() > kListed) {
    out += ", ... (" + std::to_string(specimens.size()) + " in all)";
  }
  return out;
}

}  // namespace vexmoor
