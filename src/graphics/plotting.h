// The plot operations: lines into axes, holding, and the axis modes.
#pragma once

#include <string_view>
#include <vector>

#include "graphics/axes.h"
#include "graphics/line_object.h"

namespace vexmoor::graphics {

// One line through the points (x[i], y[i]) with the plot style
// `spec` ("bo", "r*", ... see parsePlotStyle). Unless the axes are held the
// axes start afresh. Throws vexmoor::Error for a bad plot style or
// coordinate rows of different lengths; the axes are unchanged then.
Line& plot(Axes& axes, std::vector<double> x, std::vector<double> y, std::string_view spec);
// The same in three dimensions; the axes show a three-dimensional view.
Line& plot3(Axes& axes, std::vector<double> x, std::vector<double> y, std::vector<double> z,
            std::string_view spec);

// axis "auto", "equal" or "normal"; throws vexmoor::Error for another mode.
void axis(Axes& axes, std::string_view mode);

}  // namespace vexmoor::graphics
