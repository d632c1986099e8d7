#include "runtime/text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace vexmoor {
namespace {

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

// `token` without its sign, and the sign as a factor.
std::string_view unsigned_(std::string_view token, double& sign) {
  sign = 1.0;
  if (!token.empty() && (token.front() == '+' || token.front() == '-')) {
    sign = token.front() == '-' ? -1.0 : 1.0;
    token.remove_prefix(1);
  }
  return token;
}

// The power of ten of the first significant digit of a number written as
// digits, an optional point and an optional exponent (1e400: 400; 0.01: -2).
long long decimalMagnitude(std::string_view body) {
  size_t e = body.find_first_of("eE");
  std::string_view mantissa = body.substr(0, e);
  long long exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view digits = body.substr(e + 1);
    bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
      digits.remove_prefix(1);
    }
    for (char c : digits) {
      exponent = std::min(exponent * 10 + (c - '0'), 1000000000LL);
    }
    exponent = negative ? -exponent : exponent;
  }
  size_t point = std::min(mantissa.find('.'), mantissa.size());
  size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) {
    return 0;
  }
  long long before = first < point ? static_cast<long long>(point - first)
                                   : -static_cast<long long>(first - point - 1);
  return before - 1 + exponent;
}

}  // namespace

std::optional<double> parseNumber(std::string_view token) {
  double sign = 1.0;
  std::string_view body = unsigned_(token, sign);
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

bool isOutOfRangeNumber(std::string_view token, bool* tooLarge) {
  double sign = 1.0;
  std::string_view body = unsigned_(token, sign);
  if (body.empty() || body.front() == '+' || body.front() == '-') {
    return false;
  }
  double value = 0;
  auto [end, ec] =
      std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
  if (ec != std::errc::result_out_of_range || end != body.data() + body.size()) {
    return false;
  }
  if (tooLarge) {
    *tooLarge = decimalMagnitude(body) > 0;
  }
  return true;
}

std::string_view trimTrailingWhiteSpace(std::string_view text) {
  size_t end = text.find_last_not_of(kWhiteSpace);
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view trimWhiteSpace(std::string_view text) {
  size_t begin = text.find_first_not_of(kWhiteSpace);
  return begin == std::string_view::npos ? std::string_view()
                                         : trimTrailingWhiteSpace(text.substr(begin));
}

std::vector<std::string_view> splitTokens(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> tokens;
  size_t pos = text.find_first_not_of(separators);
  while (pos != std::string_view::npos) {
    size_t end = std::min(text.find_first_of(separators, pos), text.size());
    tokens.push_back(text.substr(pos, end - pos));
    pos = text.find_first_not_of(separators, end);
  }
  return tokens;
}

std::string lowerCaseExtension(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  // A leading dot starts a hidden file's name, not its extension.
  if (dot == std::string_view::npos || dot == 0 || name == "..") {
    return {};
  }
  std::string extension(name.substr(dot));
  for (char& c : extension) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return extension;
}

std::string joinTrimmed(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (std::string_view p : pieces) {
    out += trimTrailingWhiteSpace(p);
  }
  return out;
}

std::string joinTrimmed(const std::vector<std::string>& pieces) {
  std::string out;
  for (const std::string& p : pieces) {
    out += trimTrailingWhiteSpace(p);
  }
  return out;
}

std::optional<std::vector<double>> parseNumbers(std::string_view text, std::string* badToken) {
  std::vector<double> values;
  for (std::string_view token : splitTokens(text, kNumberSeparators)) {
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
