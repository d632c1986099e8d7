// The window of a group's three-dimensional consensus: a title and a legend
// that name the group and its file, hover text on its landmarks and a
// check box that numbers them.
#pragma once

#include <string>

#include "graphics/figure.h"
#include "shell/views/point_labels.h"

namespace vexmoor {

// Adds "Number landmarks" below the plot of `window`, a plot window with
// one axes.
void addLandmarkNumbering(graphics::Figure& window);

// Furnishes `window`, a plot window whose axes hold group `group`'s
// consensus drawn as its one line: title, legend, numbering, and hover text
// from `labels` (which must outlive the window).
void furnishConsensusWindow(graphics::Figure& window, int group, const std::string& file,
                            PointLabels& labels);

}  // namespace vexmoor
