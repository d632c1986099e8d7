#include "graphics/plotting.h"

#include "graphics/graphics_system.h"
#include "runtime/error.h"

namespace vexmoor::graphics {
namespace {

Line& addPlotLine(Axes& axes, std::vector<double> x, std::vector<double> y, std::vector<double> z,
                  std::string_view spec) {
  if (x.size() != y.size() || (!z.empty() && z.size() != x.size())) {
    throw Error("plot: the coordinate rows have different lengths (" + std::to_string(x.size()) +
                ", " + std::to_string(y.size()) +
                (z.empty() ? "" : ", " + std::to_string(z.size())) + ")");
  }
  PlotStyle s = parsePlotStyle(spec);
  axes.preparePlot(!z.empty());
  if (!axes.hold()) {
    graphics().removeChildren(axes);
  }
  LineStyle style;
  style.color = s.color ? *s.color : axes.nextColor();
  style.marker = s.marker.value_or("none");
  style.lineStyle = s.lineStyle ? *s.lineStyle : (s.marker ? "none" : "-");
  return graphics().addLine(axes, std::move(x), std::move(y), std::move(z), style);
}

}  // namespace

Line& plot(Axes& axes, std::vector<double> x, std::vector<double> y, std::string_view spec) {
  return addPlotLine(axes, std::move(x), std::move(y), {}, spec);
}

Line& plot3(Axes& axes, std::vector<double> x, std::vector<double> y, std::vector<double> z,
            std::string_view spec) {
  if (z.empty() && !x.empty()) {
    throw Error("plot3: the z coordinates are missing");
  }
  return addPlotLine(axes, std::move(x), std::move(y), std::move(z), spec);
}

void axis(Axes& axes, std::string_view mode) {
  if (equalsIgnoringCase(mode, "auto")) {
    axes.setLimitsAuto();
  } else if (equalsIgnoringCase(mode, "equal")) {
    axes.setEqual(true);
  } else if (equalsIgnoringCase(mode, "normal")) {
    axes.setEqual(false);
  } else {
    throw Error("axis: \"" + std::string(mode) + "\" is not an axis mode (auto, equal, normal)");
  }
}

}  // namespace vexmoor::graphics
