// A control of a window (button, check box, edit box, text, drop-down list,
// list, panel) seen through the properties String, Value, Enable, Style,
// Callback and Visible.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "graphics/graphics_object.h"

namespace vexmoor::graphics {

class Figure;

class UiControl : public GraphicsObject {
 public:
  UiControl(Handle handle, Figure& figure, QWidget* widget);

  std::string_view type() const override { return "uicontrol"; }
  QWidget* widget() const { return m_widget; }
  Figure& figure() const { return m_figure; }

  // "pushbutton", "togglebutton", "checkbox", "radiobutton", "edit", "text",
  // "popupmenu", "listbox" or "frame"; empty for a widget that is none.
  std::string style() const;
  // The callback text the layout gave the control (its "Callback" property).
  std::string callback() const;

  // Whether `widget` is a kind of control this layer knows.
  static bool isControl(const QWidget* widget);

 protected:
  std::optional<Value> getOwn(std::string_view name) const override;
  bool setOwn(std::string_view name, const Value& value) override;
  std::optional<QRectF> pixelRect() const override;
  void setPixelRect(const QRectF& rect) override;
  UnitScale unitScale() const override;

 private:
  Figure& m_figure;
  QPointer<QWidget> m_widget;
  double m_value = 0;  // for controls whose widget has no value
};

}  // namespace vexmoor::graphics
