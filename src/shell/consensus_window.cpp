#include "shell/consensus_window.h"

#include <QCheckBox>
#include <QLayout>

#include "runtime/graphics/axes.h"
#include "runtime/graphics/graphics_system.h"

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

}  // namespace vexmoor
