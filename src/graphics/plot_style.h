// Colours, markers and line styles of plot objects, and the short plot
// styles ("bo", "r*", "k.", "--") that the plot operations take.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/value.h"

namespace vexmoor::graphics {

struct Rgb {
  double r = 0, g = 0, b = 0;  // each in [0, 1]
  bool operator==(const Rgb&) const = default;
};

// A colour property that may also be "none" or "auto" (MarkerFaceColor,
// MarkerEdgeColor).
struct ColorSpec {
  enum class Kind { kRgb, kNone, kAuto };
  Kind kind = Kind::kAuto;
  Rgb rgb;
  bool operator==(const ColorSpec&) const = default;
};

// What a plot style sets; unset parts keep their defaults.
struct PlotStyle {
  std::optional<Rgb> color;
  std::optional<std::string> marker;     // "o", "+", "*", ".", "x", "s", "d", "^", "v", "<", ">",
                                         // "p", "h"
  std::optional<std::string> lineStyle;  // "-", "--", ":", "-."
};

// Parses a style such as "bo", "r*", "k.", "g--". A marker without
// a line style means markers only (line style "none"), as the plot
// operations apply it. Throws vexmoor::Error naming the style when
// a character is neither a colour, a marker nor a line style.
PlotStyle parsePlotStyle(std::string_view spec);

// The colour of a letter ("r", "g", "b", "c", "m", "y", "k", "w") or a name
// ("red", ..., "black", "white"); nullopt for anything else.
std::optional<Rgb> colorByName(std::string_view name);

// Colour values as properties hold them: a 1 × 3 row, or the texts "none"
// and "auto" where allowed. Each throws vexmoor::Error naming `property`
// for a value it cannot read.
Value colorValue(const Rgb& c);
Value colorSpecValue(const ColorSpec& c);
Rgb parseColor(const Value& v, std::string_view property);
ColorSpec parseColorSpec(const Value& v, std::string_view property);

// Normalises a marker name ("square" -> "s", "none" stays); throws
// vexmoor::Error for an unknown marker.
std::string parseMarker(std::string_view marker);
// Checks a line style ("-", "--", ":", "-.", "none"); throws otherwise.
std::string parseLineStyle(std::string_view style);

// Letter case ignored.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace vexmoor::graphics
