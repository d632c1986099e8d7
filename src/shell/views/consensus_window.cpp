#include "shell/views/consensus_window.h"

#include <QCheckBox>
#include <QLayout>

#include "graphics/axes.h"
#include "graphics/graphics_system.h"
#include "shell/views/group_plot.h"

namespace vexmoor {

void addLandmarkNumbering(graphics::Figure& window) {
  QWidget* w = window.window();
  graphics::Axes* axes = window.currentAxes();
  if (!w || !w->layout() || !axes) {
    return;
  }
  auto* box = new QCheckBox("Number landmarks", w);
  box->setObjectName("NumberLandmarks");
  box->setToolTip("Show each landmark's number beside its marker");
  w->layout()->addWidget(box);
  graphics::Handle h = axes->handle();
  QObject::connect(box, &QCheckBox::toggled, box, [h](bool on) {
    if (auto* a = dynamic_cast<graphics::Axes*>(graphics::graphics().find(h))) {
      a->setNumbered(on);
    }
  });
}

void furnishConsensusWindow(graphics::Figure& window, int group, const std::string& file,
                            PointLabels& labels) {
  std::string name = "Group " + std::to_string(group) + " consensus";
  window.set("Name", textValue(name + ": " + file));
  graphics::Axes* axes = window.currentAxes();
  if (!axes) {
    return;
  }
  graphics::Handle line = 0;
  for (graphics::GraphicsObject* o : axes->children()) {
    PointLabel label{group, 0, 1, ""};
    label.consensus = true;
    labels.add(o->handle(), label);
    line = line ? line : o->handle();
  }
  showLegend(*axes, {{name + ": " + file, line}});
  if (graphics::PlotCanvas* canvas = axes->canvas()) {
    auto* hover = new PointHover(axes->handle(), labels, canvas);
    canvas->installEventFilter(hover);
  }
  addLandmarkNumbering(window);
}

}  // namespace vexmoor
