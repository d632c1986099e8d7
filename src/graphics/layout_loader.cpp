#include "graphics/layout_loader.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QUiLoader>

#include "graphics/graphics_system.h"
#include "runtime/error.h"

namespace vexmoor::graphics {
namespace {

void connectCallback(QWidget* w, Handle h) {
  auto run = [h] { graphics().runCallback(h); };
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    QObject::connect(b, &QAbstractButton::clicked, b, run);
  } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
    QObject::connect(e, &QLineEdit::editingFinished, e, run);
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    QObject::connect(c, qOverload<int>(&QComboBox::activated), c, run);
  } else if (auto* l = qobject_cast<QListWidget*>(w)) {
    QObject::connect(l, &QListWidget::itemActivated, l, run);
  }
}

// Registers what `parent` holds, in the order of the form.
void registerChildren(Figure& figure, QWidget* parent) {
  for (QObject* o : parent->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isWindow() || w->objectName().startsWith("qt_")) {
      continue;
    }
    if (w->property("Type").toString().compare("axes", Qt::CaseInsensitive) == 0) {
      graphics().addAxes(figure, w).set("Tag", textValue(w->objectName().toStdString()));
      continue;
    }
    if (UiControl::isControl(w)) {
      UiControl& c = graphics().addControl(figure, w);
      connectCallback(w, c.handle());
      if (!qobject_cast<QGroupBox*>(w)) {
        continue;  // the inner widgets of a control are part of it
      }
    }
    registerChildren(figure, w);
  }
}

}  // namespace

Figure& loadLayoutWindow(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) {
    throw Error("cannot open layout file \"" + path + "\": " + file.errorString().toStdString());
  }
  QUiLoader loader;
  QWidget* window = loader.load(&file, nullptr);
  if (!window) {
    throw Error("cannot read layout file \"" + path + "\": " + loader.errorString().toStdString());
  }
  Figure& figure = graphics().addWindow(window);
  registerChildren(figure, window);
  return figure;
}

}  // namespace vexmoor::graphics
