// The registry of graphics objects: handles, the current window and axes,
// object search, and the callbacks of controls. One per process, used from
// the GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "graphics/axes.h"
#include "graphics/figure.h"
#include "graphics/graphics_object.h"
#include "graphics/line_object.h"
#include "graphics/ui_control.h"

class QWidget;

namespace vexmoor::graphics {

class GraphicsSystem {
 public:
  GraphicsSystem();
  ~GraphicsSystem();

  // The screen root: handle 0, parent of every window, with application
  // data of its own.
  GraphicsObject& root();

  // Null for a handle that names no live object.
  GraphicsObject* find(Handle h) const;
  // Throws vexmoor::Error when `h` names no live object.
  GraphicsObject& object(Handle h) const;
  bool isHandle(Handle h) const { return find(h) != nullptr; }

  // Windows, oldest first.
  std::vector<Figure*> figures() const;
  Figure* currentFigure() const { return m_currentFigure; }
  void setCurrentFigure(Figure& f);
  // The current window, a new plot window when there is none.
  Figure& gcf();
  // The current axes of the current window, new axes when it has none.
  Axes& gca();

  // Opens an empty plot window and makes it current.
  Figure& newPlotWindow();
  // Registers a top-level window (from a layout file) and makes it current.
  // Closing the window removes it with everything it holds.
  Figure& addWindow(QWidget* window);
  UiControl& addControl(Figure& figure, QWidget* widget);
  // New axes drawn inside `host` (a widget of the figure's window, or the
  // window itself: a main window's central widget); they become the
  // figure's current axes.
  Axes& addAxes(Figure& figure, QWidget* host);
  // A line in `axes`; the axes redraws on the event loop.
  Line& addLine(Axes& axes, std::vector<double> x, std::vector<double> y, std::vector<double> z,
                LineStyle style);

  // Removes the object and all it holds; a window closes.
  void remove(Handle h);
  // Removes everything `parent` holds.
  void removeChildren(GraphicsObject& parent);
  // Closes every window.
  void closeAll();

  // `from` and everything below it, depth first, in creation order.
  std::vector<Handle> findAll(const GraphicsObject& from) const;
  // Every object whose Tag is `tag`, searching the windows newest first.
  std::vector<Handle> findByTag(std::string_view tag) const;
  // The window that holds `h` (or is `h`); null for the root.
  Figure* figureOf(Handle h) const;

  // Callbacks: `handler` runs the callback text of a control.
  using CallbackHandler = std::function<void(Handle object, const std::string& text)>;
  void setCallbackHandler(CallbackHandler handler) { m_callbackHandler = std::move(handler); }
  // Runs the control's callback, with it as the callback object and its
  // window made current. Does nothing for a control without a callback.
  void runCallback(Handle object);
  // The object and window of the running callback (0 / null outside one).
  Handle callbackObject() const { return m_callbackObject; }
  Figure* callbackFigure() const;

 private:
  template <class T, class... Args>
  T& adopt(GraphicsObject& parent, Handle h, Args&&... args);
  Handle nextFigureHandle() const;
  Handle nextObjectHandle() { return kObjectHandleBase + static_cast<double>(++m_objectCount); }
  void forget(GraphicsObject& o);
  void windowDestroyed(Handle figure);

  // Windows are numbered 1, 2, ...; other objects get handles with a
  // fraction, so the two never meet.
  static constexpr double kObjectHandleBase = 0.25;

  std::unique_ptr<GraphicsObject> m_root;
  std::unordered_map<Handle, std::unique_ptr<GraphicsObject>> m_objects;
  Figure* m_currentFigure = nullptr;
  long long m_objectCount = 1000;
  CallbackHandler m_callbackHandler;
  Handle m_callbackObject = 0;
  std::unique_ptr<QObject> m_activationWatcher;
};

// The process's graphics registry.
GraphicsSystem& graphics();

}  // namespace vexmoor::graphics
