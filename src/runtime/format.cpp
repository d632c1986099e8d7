#include "runtime/format.h"

#include <cassert>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace vexmoor {
namespace {

struct Spec {
  std::string flags;
  int width = -1;
  int precision = -1;
  char conversion = 0;
};

// Parses the conversion that starts after '%' at fmt[pos]; returns the
// position after it.
size_t parseSpec(std::string_view fmt, size_t pos, Spec& spec) {
  while (pos < fmt.size() && std::string_view("-+ 0#").find(fmt[pos]) != std::string_view::npos) {
    spec.flags += fmt[pos++];
  }
  auto readInt = [&](int& out) {
    if (pos >= fmt.size() || !std::isdigit(static_cast<unsigned char>(fmt[pos]))) {
      return;
    }
    out = 0;
    while (pos < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[pos]))) {
      out = out * 10 + (fmt[pos++] - '0');
    }
  };
  readInt(spec.width);
  if (pos < fmt.size() && fmt[pos] == '.') {
    ++pos;
    spec.precision = 0;
    readInt(spec.precision);
  }
  // Length modifiers carry no meaning for doubles.
  while (pos < fmt.size() && std::string_view("hlLqjzt").find(fmt[pos]) != std::string_view::npos) {
    ++pos;
  }
  if (pos < fmt.size()) {
    spec.conversion = fmt[pos++];
  }
  return pos;
}

std::string cFormat(const std::string& cfmt, auto value) {
  int n = std::snprintf(nullptr, 0, cfmt.c_str(), value);
  std::string out(static_cast<size_t>(n), '\0');
  std::snprintf(out.data(), out.size() + 1, cfmt.c_str(), value);
  return out;
}

std::string buildCFormat(const Spec& spec, std::string_view conversion, bool keepPrecision = true) {
  std::string f = "%" + spec.flags;
  if (spec.width >= 0) {
    f += std::to_string(spec.width);
  }
  if (keepPrecision && spec.precision >= 0) {
    f += "." + std::to_string(spec.precision);
  }
  f += conversion;
  return f;
}

std::string padded(const std::string& text, const Spec& spec) {
  if (spec.width < 0 || static_cast<int>(text.size()) >= spec.width) {
    return text;
  }
  std::string pad(static_cast<size_t>(spec.width) - text.size(), ' ');
  return spec.flags.find('-') != std::string::npos ? text + pad : pad + text;
}

std::string formatNonFinite(double v, const Spec& spec) {
  std::string text = std::isnan(v) ? "NaN" : (v > 0 ? "Inf" : "-Inf");
  if (!std::isnan(v) && v > 0 && spec.flags.find('+') != std::string::npos) {
    text = "+Inf";
  }
  return padded(text, spec);
}

bool isWhole(double v) {
  return std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 9.2e18;
}

std::string formatNumber(double v, const Spec& spec) {
  char c = spec.conversion;
  if (!std::isfinite(v)) {
    return formatNonFinite(v, spec);
  }
  if (c == 's') {
    Spec g = spec;
    g.precision = -1;
    return isWhole(v) ? cFormat(buildCFormat(g, "lld"), static_cast<long long>(v))
                      : cFormat(buildCFormat(spec, "g"), v);
  }
  switch (c) {
    case 'd':
    case 'i':
    case 'u':
      if (!isWhole(v)) {
        return cFormat(buildCFormat(spec, "e"), v);
      }
      return cFormat(buildCFormat(spec, "lld"), static_cast<long long>(v));
    case 'x':
    case 'X':
    case 'o':
      if (!isWhole(v) || v < 0) {
        return cFormat(buildCFormat(spec, "e"), v);
      }
      return cFormat(buildCFormat(spec, std::string("ll") + c), static_cast<long long>(v));
    case 'c':
      return padded(std::string(1, static_cast<char>(v)), spec);
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
      return cFormat(buildCFormat(spec, std::string(1, c)), v);
    default:
      return {};
  }
}

std::string formatText(std::string_view s, const Spec& spec) {
  std::string text(s);
  if (spec.precision >= 0 && static_cast<size_t>(spec.precision) < text.size()) {
    text.resize(static_cast<size_t>(spec.precision));
  }
  return padded(text, spec);
}

// One pass over the format. Returns false when a conversion found no argument.
bool formatOnce(std::string_view fmt, const std::vector<FormatArg>& args, size_t& next,
                std::string& out) {
  for (size_t pos = 0; pos < fmt.size();) {
    char ch = fmt[pos];
    if (ch == '\\' && pos + 1 < fmt.size()) {
      char e = fmt[pos + 1];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case 'r':
          out += '\r';
          break;
        case '\\':
          out += '\\';
          break;
        default:
          out += ch;
          out += e;
          break;
      }
      pos += 2;
      continue;
    }
    if (ch != '%') {
      out += ch;
      ++pos;
      continue;
    }
    if (pos + 1 < fmt.size() && fmt[pos + 1] == '%') {
      out += '%';
      pos += 2;
      continue;
    }
    Spec spec;
    pos = parseSpec(fmt, pos + 1, spec);
    if (next >= args.size()) {
      return false;
    }
    const FormatArg& arg = args[next++];
    if (const double* v = std::get_if<double>(&arg)) {
      out += formatNumber(*v, spec);
    } else {
      out += formatText(std::get<std::string_view>(arg), spec);
    }
  }
  return true;
}

}  // namespace

std::string format(std::string_view fmt, std::initializer_list<FormatArg> args) {
  std::vector<FormatArg> list(args);
  std::string out;
  size_t next = 0;
  // Each further pass consumes at least one argument, so the loop ends.
  do {
    size_t before = next;
    if (!formatOnce(fmt, list, next, out) || next == before) {
      break;
    }
  } while (next < list.size());
  return out;
}

}  // namespace vexmoor
