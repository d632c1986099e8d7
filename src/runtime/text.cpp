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

namespace {

// Length of the well-formed UTF-8 character of two or more bytes at the
// start of `s`, or 0 when there is none (overlong forms and surrogates count
// as malformed).
size_t utf8CharLength(std::string_view s) {
  auto at = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  auto continuation = [&](size_t i) { return i < s.size() && (at(i) & 0xc0) == 0x80; };
  unsigned char b = at(0);
  if (b >= 0xc2 && b <= 0xdf) {
    return continuation(1) ? 2 : 0;
  }
  if (b >= 0xe0 && b <= 0xef) {
    if (!continuation(1) || !continuation(2)) {
      return 0;
    }
    bool overlong = b == 0xe0 && at(1) < 0xa0;
    bool surrogate = b == 0xed && at(1) >= 0xa0;
    return overlong || surrogate ? 0 : 3;
  }
  if (b >= 0xf0 && b <= 0xf4) {
    if (!continuation(1) || !continuation(2) || !continuation(3)) {
      return 0;
    }
    bool overlong = b == 0xf0 && at(1) < 0x90;
    bool tooLarge = b == 0xf4 && at(1) >= 0x90;
    return overlong || tooLarge ? 0 : 4;
  }
  return 0;
}

}  // namespace

std::string escapeNonPrintable(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\\') {
      out += "\\\\";
      ++i;
    } else if (byte >= 0x20 && byte < 0x7f) {
      out += text[i];
      ++i;
    } else if (size_t n = byte >= 0x80 ? utf8CharLength(text.substr(i)) : 0; n > 0) {
      out += text.substr(i, n);
      i += n;
    } else {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xf];
      ++i;
    }
  }
  return out;
}

double roundHalfAway(double v) {
  return std::round(v);
}

}  // namespace vexmoor
