#include "shell/views/group_plot.h"

#include <map>
#include <utility>
#include <vector>

#include "api/group_views.h"
#include "graphics/graphics_system.h"
#include "plot/group_shapes.h"

namespace vexmoor {
namespace {

enum class Role { kSpecimens, kMean, kConsensus };
using StyleKey = std::pair<int, Role>;

Role roleOf(const PointLabel& l) {
  return l.consensus ? Role::kConsensus : l.specimen == 0 ? Role::kMean : Role::kSpecimens;
}

}  // namespace

graphics::Axes* GroupPlot::axes() const {
  if (m_axes) {
    if (auto* a = dynamic_cast<graphics::Axes*>(graphics::graphics().find(m_axes))) {
      return a;
    }
  }
  return &graphics::graphics().gca();
}

void GroupPlot::clear() {
  graphics::Axes* a = axes();
  for (graphics::GraphicsObject* o : a->children()) {
    m_labels.remove(o->handle());
  }
  graphics::graphics().removeChildren(*a);
  showLegend(*a, {});
}

std::optional<std::string> GroupPlot::draw(const std::array<PlotGroup, 2>& groups, bool threeD,
                                           const IdentifierLookup& identifierOf) {
  graphics::Axes& a = *axes();
  // What the styling buttons made of each group's markers survives the
  // redraw.
  std::map<StyleKey, graphics::LineStyle> kept;
  for (graphics::GraphicsObject* o : a.children()) {
    auto* line = dynamic_cast<graphics::Line*>(o);
    const PointLabel* label = m_labels.find(o->handle());
    if (line && label) {
      kept.emplace(StyleKey{label->group, roleOf(*label)}, line->style());
    }
  }
  clear();

  std::optional<std::string> unavailable;
  std::array<Matrix, 2> shown;
  std::array<GroupShapes, 2> shapes;
  if (!threeD) {
    std::vector<GroupData> superimpose;
    std::vector<int> order;
    for (int g = 0; g < 2; ++g) {
      if (groups[g].data && !groups[g].variables) {
        shown[g] = *groups[g].data;
        superimpose.push_back({groups[g].data, "group " + std::to_string(g + 1)});
        order.push_back(g);
      }
    }
    if (m_view == PlotView::kSuperimposed && !superimpose.empty()) {
      try {
        std::vector<Matrix> fitted = superimposedGroups(superimpose, silentHost());
        for (size_t i = 0; i < order.size(); ++i) {
          shown[order[i]] = std::move(fitted[i]);
        }
      } catch (const std::exception& e) {
        unavailable = e.what();
      }
    }
  }
  for (int g = 0; g < 2; ++g) {
    const PlotGroup& group = groups[g];
    shapes[g] = {group.data && !group.variables && !threeD ? &shown[g] : group.data, group.file,
                 group.variables, group.consensus};
  }
  DrawnGroups made =
      drawGroupShapes(a, shapes, threeD,
                      m_view == PlotView::kSuperimposed && !unavailable ? GroupFrame::kSuperimposed
                                                                        : GroupFrame::kAsLoaded);

  // The points drawn for each group and role, to restyle and to name.
  std::map<StyleKey, std::vector<graphics::Line*>> drawn;
  for (int g = 1; g <= 2; ++g) {
    const std::vector<graphics::Line*>& specimens = made.specimens[g - 1];
    Index landmarks = (shown[g - 1].cols() - 1) / 2;
    for (Index i = 0; i < shown[g - 1].rows() && landmarks > 0; ++i) {
      std::string id = identifierOf ? identifierOf(g, i + 1).value_or("") : "";
      for (Index j = 0; j < landmarks; ++j) {
        size_t at = static_cast<size_t>(i * landmarks + j);
        if (at < specimens.size()) {
          m_labels.add(specimens[at]->handle(), PointLabel{g, i + 1, j + 1, id});
        }
      }
    }
    const std::vector<graphics::Line*>& means = made.means[g - 1];
    for (size_t j = 0; j < means.size(); ++j) {
      m_labels.add(means[j]->handle(), PointLabel{g, 0, static_cast<Index>(j) + 1, ""});
    }
    for (graphics::Line* l : made.consensus[g - 1]) {
      PointLabel label{g, 0, 1, ""};
      label.consensus = true;
      m_labels.add(l->handle(), label);
    }
    drawn[{g, Role::kSpecimens}] = specimens;
    drawn[{g, Role::kMean}] = means;
    drawn[{g, Role::kConsensus}] = made.consensus[g - 1];
  }

  for (auto& [key, lines] : drawn) {
    auto style = kept.find(key);
    if (style == kept.end()) {
      continue;
    }
    const graphics::LineStyle& s = style->second;
    for (graphics::Line* l : lines) {
      l->set("MarkerSize", scalarValue(s.markerSize));
      l->set("LineWidth", scalarValue(s.lineWidth));
      l->set("MarkerFaceColor", graphics::colorSpecValue(s.markerFace));
      l->set("MarkerEdgeColor", graphics::colorSpecValue(s.markerEdge));
    }
  }

  return unavailable;
}

}  // namespace vexmoor
