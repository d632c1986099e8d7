#include "graphics/plot_style.h"

#include <array>
#include <cctype>
#include <utility>

#include "runtime/error.h"

namespace vexmoor::graphics {
namespace {

struct NamedColor {
  std::string_view letter;
  std::string_view name;
  Rgb rgb;
};

constexpr std::array<NamedColor, 8> kColors{{
    {"r", "red", {1, 0, 0}},
    {"g", "green", {0, 1, 0}},
    {"b", "blue", {0, 0, 1}},
    {"c", "cyan", {0, 1, 1}},
    {"m", "magenta", {1, 0, 1}},
    {"y", "yellow", {1, 1, 0}},
    {"k", "black", {0, 0, 0}},
    {"w", "white", {1, 1, 1}},
}};

constexpr std::string_view kMarkerLetters = "o+*.xsd^v<>ph";

constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kMarkerNames{{
    {"square", "s"},
    {"diamond", "d"},
    {"pentagram", "p"},
    {"hexagram", "h"},
}};

[[noreturn]] void badSpec(std::string_view spec, std::string_view why) {
  throw Error("invalid plot style \"" + std::string(spec) + "\": " + std::string(why));
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::optional<Rgb> colorByName(std::string_view name) {
  for (const NamedColor& c : kColors) {
    if (equalsIgnoringCase(name, c.letter) || equalsIgnoringCase(name, c.name)) {
      return c.rgb;
    }
  }
  return std::nullopt;
}

PlotStyle parsePlotStyle(std::string_view spec) {
  PlotStyle out;
  for (size_t i = 0; i < spec.size();) {
    std::string_view rest = spec.substr(i);
    std::string_view style;
    if (rest.starts_with("--") || rest.starts_with("-.")) {
      style = rest.substr(0, 2);
    } else if (rest.starts_with("-") || rest.starts_with(":")) {
      style = rest.substr(0, 1);
    }
    if (!style.empty()) {
      if (out.lineStyle) {
        badSpec(spec, "two line styles");
      }
      out.lineStyle = std::string(style);
      i += style.size();
      continue;
    }
    char ch = spec[i];
    if (auto c = colorByName(std::string_view(&ch, 1))) {
      if (out.color) {
        badSpec(spec, "two colours");
      }
      out.color = *c;
    } else if (kMarkerLetters.find(ch) != std::string_view::npos) {
      if (out.marker) {
        badSpec(spec, "two markers");
      }
      out.marker = std::string(1, ch);
    } else if (ch != ' ') {
      badSpec(spec, "\"" + std::string(1, ch) + "\" is not a colour, marker or line style");
    }
    ++i;
  }
  return out;
}

Value colorValue(const Rgb& c) {
  Matrix m(1, 3);
  m << c.r, c.g, c.b;
  return m;
}

Value colorSpecValue(const ColorSpec& c) {
  switch (c.kind) {
    case ColorSpec::Kind::kNone:
      return textValue("none");
    case ColorSpec::Kind::kAuto:
      return textValue("auto");
    case ColorSpec::Kind::kRgb:
      break;
  }
  return colorValue(c.rgb);
}

Rgb parseColor(const Value& v, std::string_view property) {
  if (const std::string* s = std::get_if<std::string>(&v)) {
    if (auto c = colorByName(*s)) {
      return *c;
    }
    throw Error("property \"" + std::string(property) + "\": \"" + *s + "\" is not a colour");
  }
  const Matrix* m = std::get_if<Matrix>(&v);
  if (!m || m->size() != 3 || (m->array() < 0).any() || (m->array() > 1).any() || !m->allFinite()) {
    throw Error("property \"" + std::string(property) +
                "\" needs a colour: a name or three values from 0 to 1");
  }
  return {(*m)(0), (*m)(1), (*m)(2)};
}

ColorSpec parseColorSpec(const Value& v, std::string_view property) {
  if (const std::string* s = std::get_if<std::string>(&v)) {
    if (equalsIgnoringCase(*s, "none")) {
      return {ColorSpec::Kind::kNone, {}};
    }
    if (equalsIgnoringCase(*s, "auto")) {
      return {ColorSpec::Kind::kAuto, {}};
    }
  }
  return {ColorSpec::Kind::kRgb, parseColor(v, property)};
}

std::string parseMarker(std::string_view marker) {
  if (equalsIgnoringCase(marker, "none")) {
    return "none";
  }
  if (marker.size() == 1 && kMarkerLetters.find(marker[0]) != std::string_view::npos) {
    return std::string(marker);
  }
  for (const auto& [name, letter] : kMarkerNames) {
    if (equalsIgnoringCase(marker, name)) {
      return std::string(letter);
    }
  }
  throw Error("property \"Marker\": \"" + std::string(marker) + "\" is not a marker");
}

std::string parseLineStyle(std::string_view style) {
  for (std::string_view s : {"-", "--", ":", "-.", "none"}) {
    if (equalsIgnoringCase(style, s)) {
      return std::string(s);
    }
  }
  throw Error("property \"LineStyle\": \"" + std::string(style) + "\" is not a line style");
}

}  // namespace vexmoor::graphics
