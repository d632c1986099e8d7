// A window: the main window that a layout file describes, or a plot window.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "graphics/graphics_object.h"

namespace vexmoor::graphics {

class Axes;

class Figure : public GraphicsObject {
 public:
  Figure(Handle handle, QWidget* window);
  // Closes the window unless it is gone already.
  ~Figure() override;

  std::string_view type() const override { return "figure"; }
  QWidget* window() const { return m_window; }

  // The axes that plots go to; null when the window has none yet.
  Axes* currentAxes() const { return m_currentAxes; }
  void setCurrentAxes(Axes* axes) { m_currentAxes = axes; }

  // The unit scale inside the window, for the objects it holds.
  UnitScale childUnitScale() const;

  // The window was destroyed: forget it without touching it.
  void windowGone() { m_window = nullptr; }

 protected:
  // Name (the window title), Visible ("on"/"off").
  std::optional<Value> getOwn(std::string_view name) const override;
  bool setOwn(std::string_view name, const Value& value) override;
  // The window's inner rectangle on its screen.
  std::optional<QRectF> pixelRect() const override;
  void setPixelRect(const QRectF& rect) override;
  UnitScale unitScale() const override;

 private:
  QPointer<QWidget> m_window;
  Axes* m_currentAxes = nullptr;
};

}  // namespace vexmoor::graphics
