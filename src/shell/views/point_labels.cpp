#include "shell/views/point_labels.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <cmath>
#include <limits>

#include "graphics/axes.h"
#include "graphics/graphics_system.h"
#include "graphics/line_object.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

// How near the mouse must be to a point's centre, in pixels.
constexpr double kReach = 7;

}  // namespace

std::string hoverText(const PointLabel& l, size_t point) {
  std::string group = "Group " + std::to_string(l.group);
  if (l.consensus) {
    return group + " consensus · landmark " + std::to_string(point + 1);
  }
  std::string landmark = "landmark " + std::to_string(l.landmark);
  if (l.specimen == 0) {
    return group + " mean · " + landmark;
  }
  std::string specimen =
      l.identifier.empty() ? std::to_string(l.specimen) : escapeNonPrintable(l.identifier);
  return group + " · specimen " + specimen + " · " + landmark;
}

const PointLabel* PointLabels::find(graphics::Handle line) const {
  auto it = m_labels.find(line);
  return it == m_labels.end() ? nullptr : &it->second;
}

PointHover::PointHover(graphics::Handle axes, const PointLabels& labels, QObject* parent)
    : QObject(parent), m_axes(axes), m_labels(labels) {}

std::optional<std::string> PointHover::textAt(QPoint pixel) const {
  auto* axes = dynamic_cast<graphics::Axes*>(graphics::graphics().find(m_axes));
  if (!axes || !axes->canvas() || m_labels.size() == 0) {
    return std::nullopt;
  }
  QCPAxis* xAxis = axes->canvas()->xAxis;
  QCPAxis* yAxis = axes->canvas()->yAxis;
  double best = kReach * kReach;
  const PointLabel* found = nullptr;
  size_t foundPoint = 0;
  // Later lines are drawn on top: on a tie the last one wins.
  for (graphics::GraphicsObject* o : axes->children()) {
    const PointLabel* label = m_labels.find(o->handle());
    auto* line = dynamic_cast<graphics::Line*>(o);
    if (!label || !line) {
      continue;
    }
    for (size_t i = 0; i < line->x().size(); ++i) {
      std::array<double, 2> at = axes->plotPoint(*line, i);
      double dx = xAxis->coordToPixel(at[0]) - pixel.x();
      double dy = yAxis->coordToPixel(at[1]) - pixel.y();
      double d = dx * dx + dy * dy;
      if (d <= best) {
        best = d;
        found = label;
        foundPoint = i;
      }
    }
  }
  if (!found) {
    return std::nullopt;
  }
  return hoverText(*found, foundPoint);
}

bool PointHover::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (std::optional<std::string> text = textAt(help->pos()); text && widget) {
      QToolTip::showText(help->globalPos(), QString::fromStdString(*text), widget);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return false;
}

}  // namespace vexmoor
