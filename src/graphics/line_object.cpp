#include "graphics/line_object.h"

#include <cmath>

#include "graphics/axes.h"
#include "runtime/error.h"

namespace vexmoor::graphics {
namespace {

Matrix rowOf(const std::vector<double>& v) {
  Matrix m(1, static_cast<Index>(v.size()));
  for (size_t i = 0; i < v.size(); ++i) {
    m(0, static_cast<Index>(i)) = v[i];
  }
  return m;
}

double nonNegative(const Value& v, std::string_view property) {
  const Matrix* m = std::get_if<Matrix>(&v);
  if (!m || m->size() != 1 || !std::isfinite((*m)(0)) || (*m)(0) < 0) {
    throw Error("property \"" + std::string(property) + "\" needs one number not below 0");
  }
  return (*m)(0);
}

std::vector<double> dataOf(const Value& v, std::string_view property, size_t count) {
  const Matrix* m = std::get_if<Matrix>(&v);
  if (!m || static_cast<size_t>(m->size()) != count) {
    throw Error("property \"" + std::string(property) + "\" needs " + std::to_string(count) +
                " numbers, one for each point of the line");
  }
  return std::vector<double>(m->data(), m->data() + m->size());
}

}  // namespace

Line::Line(Handle handle, Axes& axes, std::vector<double> x, std::vector<double> y,
           std::vector<double> z, LineStyle style)
    : GraphicsObject(handle),
      m_axes(axes),
      m_x(std::move(x)),
      m_y(std::move(y)),
      m_z(std::move(z)),
      m_style(std::move(style)) {}

void Line::changed() {
  m_axes.markDirty();
}

std::optional<Value> Line::getOwn(std::string_view name) const {
  if (equalsIgnoringCase(name, "Color")) {
    return colorValue(m_style.color);
  }
  if (equalsIgnoringCase(name, "Marker")) {
    return textValue(m_style.marker);
  }
  if (equalsIgnoringCase(name, "MarkerSize")) {
    return scalarValue(m_style.markerSize);
  }
  if (equalsIgnoringCase(name, "MarkerFaceColor")) {
    return colorSpecValue(m_style.markerFace);
  }
  if (equalsIgnoringCase(name, "MarkerEdgeColor")) {
    return colorSpecValue(m_style.markerEdge);
  }
  if (equalsIgnoringCase(name, "LineStyle")) {
    return textValue(m_style.lineStyle);
  }
  if (equalsIgnoringCase(name, "LineWidth")) {
    return scalarValue(m_style.lineWidth);
  }
  if (equalsIgnoringCase(name, "XData")) {
    return rowOf(m_x);
  }
  if (equalsIgnoringCase(name, "YData")) {
    return rowOf(m_y);
  }
  if (equalsIgnoringCase(name, "ZData")) {
    return rowOf(m_z);
  }
  return std::nullopt;
}

bool Line::setOwn(std::string_view name, const Value& value) {
  LineStyle s = m_style;
  if (equalsIgnoringCase(name, "Color")) {
    s.color = parseColor(value, "Color");
  } else if (equalsIgnoringCase(name, "Marker")) {
    s.marker = parseMarker(textArg(value, "set", "Marker"));
  } else if (equalsIgnoringCase(name, "MarkerSize")) {
    s.markerSize = nonNegative(value, "MarkerSize");
  } else if (equalsIgnoringCase(name, "MarkerFaceColor")) {
    s.markerFace = parseColorSpec(value, "MarkerFaceColor");
  } else if (equalsIgnoringCase(name, "MarkerEdgeColor")) {
    s.markerEdge = parseColorSpec(value, "MarkerEdgeColor");
  } else if (equalsIgnoringCase(name, "LineStyle")) {
    s.lineStyle = parseLineStyle(textArg(value, "set", "LineStyle"));
  } else if (equalsIgnoringCase(name, "LineWidth")) {
    s.lineWidth = nonNegative(value, "LineWidth");
  } else if (equalsIgnoringCase(name, "XData")) {
    m_x = dataOf(value, "XData", m_x.size());
  } else if (equalsIgnoringCase(name, "YData")) {
    m_y = dataOf(value, "YData", m_y.size());
  } else if (equalsIgnoringCase(name, "ZData")) {
    m_z = dataOf(value, "ZData", m_z.size());
  } else {
    return false;
  }
  m_style = std::move(s);
  changed();
  return true;
}

}  // namespace vexmoor::graphics
