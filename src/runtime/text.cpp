#include "runtime/text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace vexmoor {
namespace {

bool isTrailingSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && isTrailingSpace(s.back())) {
    s.remove_suffix(1);
  }
  return s;
}

bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n';
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) {
      return false;
    }
  }
  return true;
}

std::optional<double> parseNumber(std::string_view token) {
  double sign = 1.0;
  std::string_view body = token;
  if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
    sign = body.front() == '-' ? -1.0 : 1.0;
    body.remove_prefix(1);
  }
  if (equalsIgnoreCase(body, "inf")) {
    return sign * std::numeric_limits<double>::infinity();
  }
  if (equalsIgnoreCase(body, "nan")) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  // from_chars rejects a leading '+' and takes no hex here, as we want.
  if (body.empty() || body.front() == '+' || body.front() == '-') {
    return std::nullopt;
  }
  double value = 0;
  auto [end, ec] =
      std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
  if (ec != std::errc() || end != body.data() + body.size()) {
    return std::nullopt;
  }
  return sign * value;
}

}  // namespace

std::string joinTrimmed(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (std::string_view p : pieces) {
    out += trimRight(p);
  }
  return out;
}

std::string joinTrimmed(const std::vector<std::string>& pieces) {
  std::string out;
  for (const std::string& p : pieces) {
    out += trimRight(p);
  }
  return out;
}

std::optional<std::vector<double>> parseNumbers(std::string_view text, std::string* badToken) {
  std::vector<double> values;
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && isSeparator(text[pos])) {
      ++pos;
    }
    size_t start = pos;
    while (pos < text.size() && !isSeparator(text[pos])) {
      ++pos;
    }
    if (start == pos) {
      break;
    }
    std::string_view token = text.substr(start, pos - start);
    std::optional<double> v = parseNumber(token);
    if (!v) {
      if (badToken) {
        *badToken = std::string(token);
      }
      return std::nullopt;
    }
    values.push_back(*v);
  }
  return values;
}

double roundHalfAway(double v) {
  return std::round(v);
}

}  // namespace vexmoor
