// A line object: points in data coordinates drawn with one style. A line of
// one point with line style "none" is a single marker.
#pragma once

#include <string>
#include <vector>

#include "graphics/graphics_object.h"
#include "graphics/plot_style.h"

namespace vexmoor::graphics {

class Axes;

struct LineStyle {
  Rgb color{0, 0, 1};
  std::string marker = "none";
  double markerSize = 6;  // points
  ColorSpec markerFace{ColorSpec::Kind::kNone, {}};
  ColorSpec markerEdge{ColorSpec::Kind::kAuto, {}};
  std::string lineStyle = "-";
  double lineWidth = 0.5;  // points
  bool operator==(const LineStyle&) const = default;
};

class Line : public GraphicsObject {
 public:
  // x, y and z (empty for a two-dimensional line) have the same length.
  Line(Handle handle, Axes& axes, std::vector<double> x, std::vector<double> y,
       std::vector<double> z, LineStyle style);

  std::string_view type() const override { return "line"; }
  const LineStyle& style() const { return m_style; }
  const std::vector<double>& x() const { return m_x; }
  const std::vector<double>& y() const { return m_y; }
  const std::vector<double>& z() const { return m_z; }

 protected:
  // Color, Marker, MarkerSize, MarkerFaceColor, MarkerEdgeColor, LineStyle,
  // LineWidth, XData, YData, ZData.
  std::optional<Value> getOwn(std::string_view name) const override;
  bool setOwn(std::string_view name, const Value& value) override;

 private:
  void changed();

  Axes& m_axes;
  std::vector<double> m_x, m_y, m_z;
  LineStyle m_style;
};

}  // namespace vexmoor::graphics
