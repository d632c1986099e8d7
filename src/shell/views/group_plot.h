// The plot of the loaded groups in the main window: each group's specimens
// and mean in two dimensions, its consensus shape in three, with a legend
// that names the files and the markers. Every change draws the plot again
// from the groups, so that it holds exactly the loaded groups' points;
// what the styling buttons changed is kept for each group.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "graphics/axes.h"
#include "plot/plot_legend.h"
#include "runtime/host.h"
#include "runtime/matrix.h"
#include "shell/views/point_labels.h"

namespace vexmoor {

// The coordinates the files hold, or the specimens as the analyses see
// them: superimposed in the pooled frame (two dimensions only).
enum class PlotView { kRaw, kSuperimposed };

// One group as the plot draws it.
struct PlotGroup {
  const Matrix* data = nullptr;       // null: not loaded
  std::string file;                   // its file name, for the legend
  bool variables = false;             // a table of variables: nothing to draw
  const Matrix* consensus = nullptr;  // three dimensions: its k × 3 consensus shape
};

class GroupPlot {
 public:
  using IdentifierLookup = std::function<std::optional<std::string>(int group, Index specimen)>;

  // `labels` receives what each drawn point stands for; it must outlive the
  // plot.
  explicit GroupPlot(PointLabels& labels) : m_labels(labels) {}

  // The axes to draw into (the main window's); 0: the current axes.
  void setAxes(graphics::Handle axes) { m_axes = axes; }
  graphics::Axes* axes() const;

  PlotView view() const { return m_view; }
  void setView(PlotView view) { m_view = view; }

  // Draws the groups afresh as drawGroupShapes (plot/group_shapes.h) draws
  // them. Returns why the superimposed view could not be drawn (the raw
  // coordinates are shown then); nullopt otherwise.
  std::optional<std::string> draw(const std::array<PlotGroup, 2>& groups, bool threeD,
                                  const IdentifierLookup& identifierOf);
  // Removes every point and the legend.
  void clear();

 private:
  graphics::Handle m_axes = 0;
  PlotView m_view = PlotView::kRaw;
  PointLabels& m_labels;
};

}  // namespace vexmoor
