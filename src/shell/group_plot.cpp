#include "shell/group_plot.h"

#include <qcustomplot.h>

#include <map>
#include <utility>
#include <vector>

#include "compare/analysis_input.h"
#include "plot/showshape.h"
#include "runtime/graphics/graphics_system.h"
#include "runtime/graphics/marker_style.h"
#include "runtime/graphics/plotting.h"
#include "runtime/landmark_array.h"

namespace vexmoor {
namespace {

enum class Role { kSpecimens, kMean, kConsensus };
using StyleKey = std::pair<int, Role>;

// The mean stands out from its group's cloud: larger, with a heavier edge.
constexpr double kMeanMarkerSize = 8;
constexpr double kMeanLineWidth = 1;

const char* specimenSpec(int group) {
  return group == 1 ? "bo" : "rs";
}
const char* meanSpec(int group) {
  return group == 1 ? "b<" : "r*";
}
const char* consensusSpec(int group) {
  return group == 1 ? "gp" : "rp";
}

// The mean of each column; a single row averages to one number, as the
// runtime's mean of a row does, and so draws nothing.
Matrix columnMeans(const Matrix& x) {
  if (x.rows() == 1) {
    return Matrix::Constant(1, 1, x.mean());
  }
  return x.colwise().mean();
}

Role roleOf(const PointLabel& l) {
  return l.consensus ? Role::kConsensus : l.specimen == 0 ? Role::kMean : Role::kSpecimens;
}

// A legend row: a line's marker as it is drawn now, then a text; without a
// line, the text alone.
class LegendRow : public QCPAbstractLegendItem {
 public:
  LegendRow(QCPLegend* legend, QString text, graphics::Handle line)
      : QCPAbstractLegendItem(legend), m_text(std::move(text)), m_line(line) {}

 protected:
  void draw(QCPPainter* painter) override {
    painter->setFont(mFont);
    painter->setPen(QPen(mTextColor));
    QSize icon = mParentLegend->iconSize();
    QRect text =
        painter->fontMetrics().boundingRect(0, 0, 0, icon.height(), Qt::TextDontClip, m_text);
    int height = std::max(text.height(), icon.height());
    int left = mRect.x() + (m_line ? icon.width() + mParentLegend->iconTextPadding() : 0);
    painter->drawText(left, mRect.y(), text.width(), height, Qt::TextDontClip, m_text);
    if (const graphics::Line* line = lineOf()) {
      QCPScatterStyle marker = graphics::scatterStyle(line->style());
      marker.setSize(std::min(marker.size(), double(icon.height())));
      painter->save();
      marker.applyTo(painter, graphics::linePen(line->style()));
      marker.drawShape(painter, QPointF(mRect.x() + icon.width() / 2.0, mRect.y() + height / 2.0));
      painter->restore();
    }
  }

  QSize minimumOuterSizeHint() const override {
    QFontMetrics fm(mFont);
    QSize icon = mParentLegend->iconSize();
    QRect text = fm.boundingRect(0, 0, 0, icon.height(), Qt::TextDontClip, m_text);
    int width = text.width() + (m_line ? icon.width() + mParentLegend->iconTextPadding() : 0);
    return QSize(width + mMargins.left() + mMargins.right(),
                 std::max(text.height(), icon.height()) + mMargins.top() + mMargins.bottom());
  }

 private:
  const graphics::Line* lineOf() const {
    return m_line ? dynamic_cast<const graphics::Line*>(graphics::graphics().find(m_line))
                  : nullptr;
  }

  QString m_text;
  graphics::Handle m_line;
};

void setUpLegend(QCPLegend& legend) {
  QFont font = legend.font();
  font.setPointSizeF(8);
  legend.setFont(font);
  legend.setIconSize(QSize(18, 14));
  legend.setBrush(QColor(255, 255, 255, 225));
  legend.setBorderPen(QPen(QColor(180, 180, 180)));
  legend.setRowSpacing(0);
  if (QCPLayoutInset* inset = legend.parentPlot()->axisRect()->insetLayout()) {
    inset->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
  }
}

}  // namespace

void showLegend(graphics::Axes& axes, const std::vector<LegendEntry>& entries) {
  if (!axes.canvas()) {
    return;
  }
  QCPLegend* legend = axes.canvas()->legend;
  legend->clearItems();
  setUpLegend(*legend);
  for (const LegendEntry& e : entries) {
    legend->addItem(new LegendRow(legend, QString::fromStdString(e.text), e.line));
  }
  legend->setVisible(!entries.empty());
  axes.markDirty();
}

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
  graphics::graphics().setCurrentFigure(a.figure());
  a.figure().setCurrentAxes(&a);

  // The points drawn for each group and role, to restyle and to name.
  std::map<StyleKey, std::vector<graphics::Line*>> drawn;
  auto newLines = [&a](size_t from) {
    std::vector<graphics::Line*> lines;
    const std::vector<graphics::GraphicsObject*>& children = a.children();
    for (size_t i = from; i < children.size(); ++i) {
      lines.push_back(dynamic_cast<graphics::Line*>(children[i]));
    }
    return lines;
  };

  std::optional<std::string> unavailable;
  std::array<Matrix, 2> shown;
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
    for (int g = 1; g <= 2; ++g) {
      const Matrix& x = shown[g - 1];
      if (x.size() == 0) {
        continue;
      }
      size_t before = a.children().size();
      showshape(x, specimenSpec(g));
      std::vector<graphics::Line*> lines = newLines(before);
      Index landmarks = (x.cols() - 1) / 2;
      for (Index i = 0; i < x.rows(); ++i) {
        std::string id = identifierOf ? identifierOf(g, i + 1).value_or("") : "";
        for (Index j = 0; j < landmarks; ++j) {
          size_t at = static_cast<size_t>(i * landmarks + j);
          if (at < lines.size()) {
            m_labels.add(lines[at]->handle(), PointLabel{g, i + 1, j + 1, id});
          }
        }
      }
      drawn[{g, Role::kSpecimens}] = std::move(lines);
    }
    // The means come last, so that neither group's cloud hides them.
    for (int g = 1; g <= 2; ++g) {
      const Matrix& x = shown[g - 1];
      if (x.size() == 0) {
        continue;
      }
      size_t before = a.children().size();
      showshape(columnMeans(x), meanSpec(g));
      std::vector<graphics::Line*> lines = newLines(before);
      for (size_t j = 0; j < lines.size(); ++j) {
        lines[j]->set("MarkerSize", scalarValue(kMeanMarkerSize));
        lines[j]->set("LineWidth", scalarValue(kMeanLineWidth));
        m_labels.add(lines[j]->handle(), PointLabel{g, 0, static_cast<Index>(j) + 1, ""});
      }
      drawn[{g, Role::kMean}] = std::move(lines);
    }
  } else {
    for (int g = 1; g <= 2; ++g) {
      if (!groups[g - 1].consensus) {
        continue;
      }
      size_t before = a.children().size();
      showshape3D(LandmarkArray(*groups[g - 1].consensus), consensusSpec(g));
      std::vector<graphics::Line*> lines = newLines(before);
      for (graphics::Line* l : lines) {
        PointLabel label{g, 0, 1, ""};
        label.consensus = true;
        m_labels.add(l->handle(), label);
      }
      drawn[{g, Role::kConsensus}] = std::move(lines);
    }
  }
  graphics::axis(a, "auto");
  graphics::axis(a, "equal");
  a.setHold(true);

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

  auto first = [&drawn](int g, Role r) -> graphics::Handle {
    auto it = drawn.find({g, r});
    return it == drawn.end() || it->second.empty() ? 0 : it->second.front()->handle();
  };
  std::vector<LegendEntry> legend;
  if (!threeD && !drawn.empty()) {
    legend.push_back({m_view == PlotView::kSuperimposed && !unavailable
                          ? "Superimposed in the pooled frame"
                          : "Coordinates as loaded",
                      0});
  }
  for (int g = 1; g <= 2; ++g) {
    const PlotGroup& group = groups[g - 1];
    if (!group.data) {
      continue;
    }
    std::string name = "Group " + std::to_string(g);
    if (group.variables) {
      legend.push_back({name + ": " + group.file + " (variables, not drawn)", 0});
    } else if (threeD) {
      if (graphics::Handle h = first(g, Role::kConsensus)) {
        legend.push_back({name + " consensus: " + group.file, h});
      }
    } else {
      legend.push_back({name + ": " + group.file, first(g, Role::kSpecimens)});
      if (graphics::Handle h = first(g, Role::kMean)) {
        legend.push_back({name + " mean", h});
      }
    }
  }
  showLegend(a, legend);
  return unavailable;
}

}  // namespace vexmoor
