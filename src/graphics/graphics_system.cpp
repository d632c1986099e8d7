#include "graphics/graphics_system.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cassert>
#include <cmath>

#include "runtime/error.h"

namespace vexmoor::graphics {
namespace {

class Root : public GraphicsObject {
 public:
  Root() : GraphicsObject(0) {}
  std::string_view type() const override { return "root"; }
};

// Makes a window current when the user activates it.
class ActivationWatcher : public QObject {
 public:
  explicit ActivationWatcher(GraphicsSystem& g) : m_graphics(g) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowActivate) {
      for (Figure* f : m_graphics.figures()) {
        if (f->window() == watched) {
          m_graphics.setCurrentFigure(*f);
        }
      }
    }
    return false;
  }

 private:
  GraphicsSystem& m_graphics;
};

// Resets the running callback's object however the callback ends.
struct CallbackScope {
  Handle& slot;
  Handle saved;
  ~CallbackScope() { slot = saved; }
};

}  // namespace

GraphicsSystem::GraphicsSystem()
    : m_root(std::make_unique<Root>()), m_activationWatcher(new ActivationWatcher(*this)) {}

GraphicsSystem::~GraphicsSystem() {
  // Without an application the windows are gone or must not be touched.
  if (!QCoreApplication::instance()) {
    for (Figure* f : figures()) {
      f->windowGone();
    }
  }
  m_currentFigure = nullptr;
  m_objects.clear();
}

GraphicsObject& GraphicsSystem::root() {
  return *m_root;
}

GraphicsObject* GraphicsSystem::find(Handle h) const {
  if (h == 0) {
    return m_root.get();
  }
  auto it = m_objects.find(h);
  return it == m_objects.end() ? nullptr : it->second.get();
}

GraphicsObject& GraphicsSystem::object(Handle h) const {
  GraphicsObject* o = find(h);
  if (!o) {
    throw Error("invalid or deleted graphics object (handle " + std::to_string(h) + ")");
  }
  return *o;
}

std::vector<Figure*> GraphicsSystem::figures() const {
  std::vector<Figure*> out;
  for (GraphicsObject* o : m_root->children()) {
    out.push_back(static_cast<Figure*>(o));
  }
  return out;
}

void GraphicsSystem::setCurrentFigure(Figure& f) {
  m_currentFigure = &f;
}

Figure& GraphicsSystem::gcf() {
  if (!m_currentFigure) {
    return newPlotWindow();
  }
  return *m_currentFigure;
}

Axes& GraphicsSystem::gca() {
  Figure& f = gcf();
  if (Axes* a = f.currentAxes()) {
    return *a;
  }
  return addAxes(f, f.window());
}

template <class T, class... Args>
T& GraphicsSystem::adopt(GraphicsObject& parent, Handle h, Args&&... args) {
  auto object = std::make_unique<T>(h, std::forward<Args>(args)...);
  T& ref = *object;
  ref.m_parent = &parent;
  parent.m_children.push_back(&ref);
  m_objects.emplace(h, std::move(object));
  return ref;
}

Handle GraphicsSystem::nextFigureHandle() const {
  double n = 1;
  while (m_objects.count(n) != 0) {
    ++n;
  }
  return n;
}

Figure& GraphicsSystem::newPlotWindow() {
  auto* window = new QWidget;
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  window->resize(560, 420);
  Figure& f = addWindow(window);
  window->setWindowTitle(QString("Figure %1").arg(f.handle()));
  window->show();
  return f;
}

Figure& GraphicsSystem::addWindow(QWidget* window) {
  assert(window && window->isWindow());
  Handle h = nextFigureHandle();
  Figure& f = adopt<Figure>(*m_root, h, window);
  f.m_tag = window->objectName().toStdString();
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->installEventFilter(m_activationWatcher.get());
  QObject::connect(window, &QObject::destroyed, [this, h] { windowDestroyed(h); });
  setCurrentFigure(f);
  return f;
}

UiControl& GraphicsSystem::addControl(Figure& figure, QWidget* widget) {
  UiControl& c = adopt<UiControl>(figure, nextObjectHandle(), figure, widget);
  c.m_tag = widget->objectName().toStdString();
  return c;
}

Axes& GraphicsSystem::addAxes(Figure& figure, QWidget* host) {
  auto* main = qobject_cast<QMainWindow*>(host);
  if (main && main->centralWidget()) {
    host = main->centralWidget();  // a main window takes widgets there only
    main = nullptr;
  }
  auto* canvas = new PlotCanvas(host);
  if (main) {
    main->setCentralWidget(canvas);
  } else if (host->layout()) {
    host->layout()->addWidget(canvas);
  } else if (host != figure.window()) {
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(canvas);
  } else {
    canvas->setGeometry(host->rect());
  }
  canvas->show();
  Axes& a = adopt<Axes>(figure, nextObjectHandle(), figure, canvas);
  figure.setCurrentAxes(&a);
  return a;
}

Line& GraphicsSystem::addLine(Axes& axes, std::vector<double> x, std::vector<double> y,
                              std::vector<double> z, LineStyle style) {
  Line& l = adopt<Line>(axes, nextObjectHandle(), axes, std::move(x), std::move(y), std::move(z),
                        std::move(style));
  axes.markDirty();
  return l;
}

void GraphicsSystem::forget(GraphicsObject& o) {
  // Children first, without recursion on the call stack: the tree is at
  // most window / axes / line deep, but a window may hold many lines.
  std::vector<GraphicsObject*> order{&o};
  for (size_t i = 0; i < order.size(); ++i) {
    for (GraphicsObject* c : order[i]->m_children) {
      order.push_back(c);
    }
  }
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    GraphicsObject* x = *it;
    if (x == m_currentFigure) {
      m_currentFigure = nullptr;
    }
    if (auto* f = dynamic_cast<Figure*>(x->m_parent)) {
      if (f->currentAxes() == x) {
        f->setCurrentAxes(nullptr);
      }
    }
    x->m_children.clear();
    m_objects.erase(x->handle());
  }
}

void GraphicsSystem::remove(Handle h) {
  GraphicsObject& o = object(h);
  if (&o == m_root.get()) {
    closeAll();
    return;
  }
  auto& siblings = o.m_parent->m_children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), &o), siblings.end());
  Axes* axes = dynamic_cast<Axes*>(o.m_parent);
  forget(o);
  if (axes) {
    axes->markDirty();
  }
  if (!m_currentFigure) {
    std::vector<Figure*> f = figures();
    if (!f.empty()) {
      m_currentFigure = f.back();
    }
  }
}

void GraphicsSystem::removeChildren(GraphicsObject& parent) {
  std::vector<GraphicsObject*> children = parent.m_children;
  parent.m_children.clear();
  for (GraphicsObject* c : children) {
    forget(*c);
  }
  if (auto* axes = dynamic_cast<Axes*>(&parent)) {
    axes->markDirty();
  }
}

void GraphicsSystem::closeAll() {
  removeChildren(*m_root);
  m_currentFigure = nullptr;
}

void GraphicsSystem::windowDestroyed(Handle h) {
  auto* f = dynamic_cast<Figure*>(find(h));
  if (!f) {
    return;
  }
  f->windowGone();
  // The window took its widgets along: the axes must not delete canvases.
  remove(h);
}

std::vector<Handle> GraphicsSystem::findAll(const GraphicsObject& from) const {
  std::vector<Handle> out;
  std::vector<const GraphicsObject*> stack{&from};
  while (!stack.empty()) {
    const GraphicsObject* o = stack.back();
    stack.pop_back();
    out.push_back(o->handle());
    for (auto it = o->m_children.rbegin(); it != o->m_children.rend(); ++it) {
      stack.push_back(*it);
    }
  }
  return out;
}

std::vector<Handle> GraphicsSystem::findByTag(std::string_view tag) const {
  std::vector<Handle> out;
  std::vector<Figure*> f = figures();
  for (auto it = f.rbegin(); it != f.rend(); ++it) {
    for (Handle h : findAll(**it)) {
      if (find(h)->tag() == tag) {
        out.push_back(h);
      }
    }
  }
  return out;
}

Figure* GraphicsSystem::figureOf(Handle h) const {
  for (GraphicsObject* o = find(h); o; o = o->parent()) {
    if (auto* f = dynamic_cast<Figure*>(o)) {
      return f;
    }
  }
  return nullptr;
}

void GraphicsSystem::runCallback(Handle object) {
  auto* c = dynamic_cast<UiControl*>(find(object));
  if (!c || !m_callbackHandler) {
    return;
  }
  std::string text = c->callback();
  if (text.empty()) {
    return;
  }
  CallbackScope scope{m_callbackObject, m_callbackObject};
  m_callbackObject = object;
  setCurrentFigure(c->figure());
  m_callbackHandler(object, text);
}

Figure* GraphicsSystem::callbackFigure() const {
  return m_callbackObject == 0 ? nullptr : figureOf(m_callbackObject);
}

GraphicsSystem& graphics() {
  static GraphicsSystem system;
  return system;
}

}  // namespace vexmoor::graphics
