#include "graphics/units.h"

#include <array>
#include <utility>

#include "graphics/plot_style.h"
#include "runtime/error.h"

namespace vexmoor::graphics {
namespace {

constexpr std::array<std::pair<std::string_view, Units>, 6> kNames{{
    {"pixels", Units::kPixels},
    {"characters", Units::kCharacters},
    {"normalized", Units::kNormalized},
    {"points", Units::kPoints},
    {"inches", Units::kInches},
    {"centimeters", Units::kCentimeters},
}};

// Pixels per unit along x and y.
std::array<double, 2> pixelsPer(Units u, const UnitScale& s) {
  switch (u) {
    case Units::kPixels:
      return {1, 1};
    case Units::kCharacters:
      return {s.charWidth, s.charHeight};
    case Units::kNormalized:
      return {s.parentWidth, s.parentHeight};
    case Units::kPoints:
      return {s.dpi / 72.0, s.dpi / 72.0};
    case Units::kInches:
      return {s.dpi, s.dpi};
    case Units::kCentimeters:
      return {s.dpi / 2.54, s.dpi / 2.54};
  }
  return {1, 1};
}

}  // namespace

Units parseUnits(const Value& v) {
  if (const std::string* s = std::get_if<std::string>(&v)) {
    for (const auto& [name, u] : kNames) {
      if (equalsIgnoringCase(*s, name)) {
        return u;
      }
    }
    throw Error("property \"Units\": \"" + *s + "\" is not a unit");
  }
  throw Error("property \"Units\" needs a text");
}

std::string unitsName(Units u) {
  for (const auto& [name, unit] : kNames) {
    if (unit == u) {
      return std::string(name);
    }
  }
  return "pixels";
}

Matrix toPosition(const QRectF& rect, Units units, const UnitScale& scale) {
  auto [px, py] = pixelsPer(units, scale);
  double bottom = scale.parentHeight - rect.y() - rect.height();
  Matrix m(1, 4);
  m << rect.x() / px, bottom / py, rect.width() / px, rect.height() / py;
  return m;
}

QRectF fromPosition(const Value& position, Units units, const UnitScale& scale) {
  const Matrix* m = std::get_if<Matrix>(&position);
  if (!m || m->size() != 4 || !m->allFinite() || (*m)(2) < 0 || (*m)(3) < 0) {
    throw Error(
        "property \"Position\" needs four numbers [left bottom width height], width and height "
        "not negative");
  }
  auto [px, py] = pixelsPer(units, scale);
  double w = (*m)(2) * px;
  double h = (*m)(3) * py;
  double top = scale.parentHeight - (*m)(1) * py - h;
  return QRectF((*m)(0) * px, top, w, h);
}

}  // namespace vexmoor::graphics
