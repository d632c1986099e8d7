// The objects of the graphics layer (root, windows, axes, controls, lines),
// each known by a numeric handle, with named properties and named
// application data.
#pragma once

#include <QRectF>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/units.h"
#include "runtime/value.h"

namespace vexmoor::graphics {

using Handle = double;

class GraphicsObject {
 public:
  explicit GraphicsObject(Handle handle) : m_handle(handle) {}
  GraphicsObject(const GraphicsObject&) = delete;
  GraphicsObject& operator=(const GraphicsObject&) = delete;
  virtual ~GraphicsObject() = default;

  Handle handle() const { return m_handle; }
  // "root", "figure", "axes", "uicontrol" or "line".
  virtual std::string_view type() const = 0;
  GraphicsObject* parent() const { return m_parent; }
  // Oldest first. The "Children" property lists them newest first.
  const std::vector<GraphicsObject*>& children() const { return m_children; }
  const std::string& tag() const { return m_tag; }

  // Named properties, letter case ignored: Tag, Type, Parent, Children,
  // and, for objects that have a place, Position and Units; each type adds
  // its own. Throw vexmoor::Error naming the property for an unknown name,
  // a read-only property or a value of the wrong kind; nothing changes then.
  Value get(std::string_view name) const;
  void set(std::string_view name, const Value& value);

  // Named application data; null when `name` holds nothing.
  const Value* appData(std::string_view name) const;
  void setAppData(std::string_view name, Value value);

 protected:
  // A type's own properties: nullopt / false when `name` is not one.
  virtual std::optional<Value> getOwn(std::string_view) const { return std::nullopt; }
  virtual bool setOwn(std::string_view, const Value&) { return false; }
  virtual void tagChanged() {}

  // Objects with a place: their rectangle in pixels within the parent (top
  // left origin) and the scale of the units there.
  virtual std::optional<QRectF> pixelRect() const { return std::nullopt; }
  virtual void setPixelRect(const QRectF&) {}
  virtual UnitScale unitScale() const { return {}; }
  Units m_units = Units::kPixels;

 private:
  friend class GraphicsSystem;
  [[noreturn]] void unknownProperty(std::string_view name) const;

  Handle m_handle;
  GraphicsObject* m_parent = nullptr;
  std::vector<GraphicsObject*> m_children;
  std::string m_tag;
  std::map<std::string, Value, std::less<>> m_appData;
};

}  // namespace vexmoor::graphics
