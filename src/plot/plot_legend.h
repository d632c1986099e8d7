// The legend of a plot of the graphics layer: rows of a marker as its line
// is drawn now (restyled markers show restyled) and a text shown as given.
#pragma once

#include <string>
#include <vector>

#include "graphics/axes.h"

namespace vexmoor {

// A legend row: the marker of `line` (0: none), then the text.
struct LegendEntry {
  std::string text;
  graphics::Handle line = 0;
};

// Replaces the legend in the top right corner of the plot of `axes`; none
// for no entries. Each row leaves its text room below the baseline, so that
// underscores and descenders are drawn whole at every scale.
void showLegend(graphics::Axes& axes, const std::vector<LegendEntry>& entries);

}  // namespace vexmoor
