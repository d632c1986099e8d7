#include "plot/plot_styling.h"

#include <algorithm>
#include <functional>

#include "graphics/graphics_system.h"

namespace vexmoor {
namespace {

// Whether a text property begins with `c`.
bool startsWith(const Value& v, char c) {
  const std::string* s = std::get_if<std::string>(&v);
  return s && !s->empty() && s->front() == c;
}

void forEachLineChild(Handle handle, const std::function<void(graphics::GraphicsObject&)>& f) {
  graphics::GraphicsSystem& g = graphics::graphics();
  Matrix children = std::get<Matrix>(g.object(handle).get("Children"));
  for (Index i = 0; i < children.size(); ++i) {
    graphics::GraphicsObject& child = g.object(children(i));
    if (startsWith(child.get("Type"), 'l')) {
      f(child);
    }
  }
}

constexpr double kLeastMarkerSize = 1;

double number(const Value& v) {
  return std::get<Matrix>(v)(0);
}

}  // namespace

void setsymbolfill(Handle handle, double isfilled) {
  forEachLineChild(handle, [&](graphics::GraphicsObject& line) {
    line.set("MarkerFaceColor", isfilled == 0 ? textValue("none") : line.get("Color"));
  });
}

void incrementsymbolsize(Handle handle, double increment) {
  forEachLineChild(handle, [&](graphics::GraphicsObject& line) {
    // Smaller stops at the least size that still shows a marker.
    double size = number(line.get("MarkerSize"));
    line.set("MarkerSize",
             scalarValue(std::max(size + increment, std::min(size, kLeastMarkerSize))));
  });
}

void incrementlinethickness(Handle fighandle, double weight) {
  forEachLineChild(fighandle, [&](graphics::GraphicsObject& line) {
    if (!startsWith(line.get("LineStyle"), 'n')) {
      line.set("LineWidth", scalarValue(std::max(weight + number(line.get("LineWidth")), 0.0)));
    }
  });
}

void setlinethickness(Handle handle, double vlinewidth) {
  forEachLineChild(handle, [&](graphics::GraphicsObject& line) {
    line.set("LineWidth", scalarValue(vlinewidth));
  });
}

void restoreMarkerColours(Handle handle) {
  forEachLineChild(handle, [&](graphics::GraphicsObject& line) {
    line.set("MarkerEdgeColor", textValue("auto"));
    if (!startsWith(line.get("MarkerFaceColor"), 'n')) {
      line.set("MarkerFaceColor", line.get("Color"));
    }
  });
}

void setsymbolbw(Handle handle) {
  forEachLineChild(handle, [&](graphics::GraphicsObject& line) {
    line.set("MarkerEdgeColor", textValue("k"));
    line.set("MarkerFaceColor", textValue("k"));
  });
}

}  // namespace vexmoor
