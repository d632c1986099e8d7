#include "plot/group_shapes.h"

#include "graphics/graphics_system.h"
#include "graphics/plotting.h"
#include "plot/plot_legend.h"
#include "plot/showshape.h"
#include "runtime/landmark_array.h"

namespace vexmoor {
namespace {

// The mean stands out from its group's cloud: larger, with a heavier edge.
constexpr double kMeanMarkerSize = 8;
constexpr double kMeanLineWidth = 1;

constexpr std::array<const char*, 2> kSpecimenSpecs{"bo", "rs"};
constexpr std::array<const char*, 2> kMeanSpecs{"b<", "r*"};
constexpr std::array<const char*, 2> kConsensusSpecs{"gp", "rp"};

// The mean of each column; a single row averages to one number, as the
// runtime's mean of a row does, and so draws nothing.
Matrix columnMeans(const Matrix& x) {
  if (x.rows() == 1) {
    return Matrix::Constant(1, 1, x.mean());
  }
  return x.colwise().mean();
}

// Runs `draw` and returns the lines it added to `axes`.
template <class Draw>
std::vector<graphics::Line*> linesAdded(graphics::Axes& axes, Draw draw) {
  size_t before = axes.children().size();
  draw();
  std::vector<graphics::Line*> lines;
  const std::vector<graphics::GraphicsObject*>& children = axes.children();
  for (size_t i = before; i < children.size(); ++i) {
    if (auto* line = dynamic_cast<graphics::Line*>(children[i])) {
      lines.push_back(line);
    }
  }
  return lines;
}

graphics::Handle firstOf(const std::vector<graphics::Line*>& lines) {
  return lines.empty() ? 0 : lines.front()->handle();
}

std::vector<LegendEntry> legendOf(const std::array<GroupShapes, 2>& groups, bool threeD,
                                  GroupFrame frame, const DrawnGroups& drawn) {
  std::vector<LegendEntry> legend;
  bool anyDrawn = !drawn.specimens[0].empty() || !drawn.specimens[1].empty();
  if (!threeD && anyDrawn) {
    legend.push_back({frame == GroupFrame::kSuperimposed ? "Superimposed in the pooled frame"
                                                         : "Coordinates as loaded",
                      0});
  }
  for (size_t g = 0; g < 2; ++g) {
    const GroupShapes& group = groups[g];
    if (!group.data) {
      continue;
    }
    std::string name = "Group " + std::to_string(g + 1);
    if (group.variables) {
      legend.push_back({name + ": " + group.name + " (variables, not drawn)", 0});
    } else if (threeD) {
      if (graphics::Handle h = firstOf(drawn.consensus[g])) {
        legend.push_back({name + " consensus: " + group.name, h});
      }
    } else {
      legend.push_back({name + ": " + group.name, firstOf(drawn.specimens[g])});
      if (graphics::Handle h = firstOf(drawn.means[g])) {
        legend.push_back({name + " mean", h});
      }
    }
  }
  return legend;
}

}  // namespace

DrawnGroups drawGroupShapes(graphics::Axes& axes, const std::array<GroupShapes, 2>& groups,
                            bool threeD, GroupFrame frame) {
  graphics::graphics().setCurrentFigure(axes.figure());
  axes.figure().setCurrentAxes(&axes);
  axes.setHold(true);
  DrawnGroups drawn;
  if (!threeD) {
    for (size_t g = 0; g < 2; ++g) {
      const GroupShapes& group = groups[g];
      if (group.data && !group.variables && group.data->size() > 0) {
        drawn.specimens[g] = linesAdded(axes, [&] { showshape(*group.data, kSpecimenSpecs[g]); });
      }
    }
    for (size_t g = 0; g < 2; ++g) {
      const GroupShapes& group = groups[g];
      if (group.data && !group.variables && group.data->size() > 0) {
        drawn.means[g] =
            linesAdded(axes, [&] { showshape(columnMeans(*group.data), kMeanSpecs[g]); });
        for (graphics::Line* l : drawn.means[g]) {
          l->set("MarkerSize", scalarValue(kMeanMarkerSize));
          l->set("LineWidth", scalarValue(kMeanLineWidth));
        }
      }
    }
  } else {
    for (size_t g = 0; g < 2; ++g) {
      if (const Matrix* consensus = groups[g].consensus) {
        drawn.consensus[g] =
            linesAdded(axes, [&] { showshape3D(LandmarkArray(*consensus), kConsensusSpecs[g]); });
      }
    }
  }
  graphics::axis(axes, "auto");
  graphics::axis(axes, "equal");
  showLegend(axes, legendOf(groups, threeD, frame, drawn));
  return drawn;
}

}  // namespace vexmoor
