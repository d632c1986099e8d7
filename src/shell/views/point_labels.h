// What each plotted point of a group stands for, and the hover text that
// says it: group, specimen (its identifier where the file gives one) and
// landmark; or a landmark of a group's three-dimensional consensus.
#pragma once

#include <QObject>
#include <QPoint>
#include <optional>
#include <string>
#include <unordered_map>

#include "graphics/graphics_object.h"
#include "runtime/matrix.h"

namespace vexmoor {

struct PointLabel {
  int group = 1;
  Index specimen = 0;      // 1-based row of the group; 0 for the mean
  Index landmark = 1;      // 1-based
  std::string identifier;  // empty: the file names no specimens
  // A consensus line through all landmarks: the point's place in the line
  // gives the landmark.
  bool consensus = false;
};

// "Group 1 · specimen 3 · landmark 5", "Group 2 · specimen F03 · landmark
// 5", "Group 1 mean · landmark 5"; for point `point` (0-based) of a
// consensus line "Group 2 consensus · landmark 6".
std::string hoverText(const PointLabel& label, size_t point = 0);

// Labels by line object: one marker line for each landmark of each specimen,
// or one line for each consensus.
class PointLabels {
 public:
  void add(graphics::Handle line, PointLabel label) { m_labels[line] = std::move(label); }
  void remove(graphics::Handle line) { m_labels.erase(line); }
  void clear() { m_labels.clear(); }
  const PointLabel* find(graphics::Handle line) const;
  size_t size() const { return m_labels.size(); }

 private:
  std::unordered_map<graphics::Handle, PointLabel> m_labels;
};

// Shows the hover text of the labelled point nearest the mouse (within a
// few pixels) over the plot of `axes`. Install on the axes' canvas.
class PointHover : public QObject {
 public:
  PointHover(graphics::Handle axes, const PointLabels& labels, QObject* parent);
  // The text for a mouse at `pixel` on the canvas; nullopt when no
  // labelled point is near.
  std::optional<std::string> textAt(QPoint pixel) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  graphics::Handle m_axes;
  const PointLabels& m_labels;
};

}  // namespace vexmoor
