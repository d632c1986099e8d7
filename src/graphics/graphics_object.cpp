#include "graphics/graphics_object.h"

#include "graphics/plot_style.h"
#include "runtime/error.h"

namespace vexmoor::graphics {

void GraphicsObject::unknownProperty(std::string_view name) const {
  throw Error("there is no \"" + std::string(name) + "\" property of a " + std::string(type()) +
              " object");
}

Value GraphicsObject::get(std::string_view name) const {
  if (equalsIgnoringCase(name, "Tag")) {
    return textValue(m_tag);
  }
  if (equalsIgnoringCase(name, "Type")) {
    return textValue(type());
  }
  if (equalsIgnoringCase(name, "Parent")) {
    return m_parent ? scalarValue(m_parent->handle()) : Value(Matrix(0, 0));
  }
  if (equalsIgnoringCase(name, "Children")) {
    Matrix m(static_cast<Index>(m_children.size()), 1);
    for (size_t i = 0; i < m_children.size(); ++i) {
      m(static_cast<Index>(i), 0) = m_children[m_children.size() - 1 - i]->handle();
    }
    return m;
  }
  if (std::optional<QRectF> rect = pixelRect()) {
    if (equalsIgnoringCase(name, "Units")) {
      return textValue(unitsName(m_units));
    }
    if (equalsIgnoringCase(name, "Position")) {
      return toPosition(*rect, m_units, unitScale());
    }
  }
  if (std::optional<Value> v = getOwn(name)) {
    return *v;
  }
  unknownProperty(name);
}

void GraphicsObject::set(std::string_view name, const Value& value) {
  if (equalsIgnoringCase(name, "Tag")) {
    m_tag = textArg(value, "set", "Tag");
    tagChanged();
    return;
  }
  for (std::string_view readOnly : {"Type", "Parent", "Children"}) {
    if (equalsIgnoringCase(name, readOnly)) {
      throw Error("the \"" + std::string(readOnly) + "\" property of a " + std::string(type()) +
                  " object is read-only");
    }
  }
  if (pixelRect()) {
    if (equalsIgnoringCase(name, "Units")) {
      m_units = parseUnits(value);
      return;
    }
    if (equalsIgnoringCase(name, "Position")) {
      setPixelRect(fromPosition(value, m_units, unitScale()));
      return;
    }
  }
  if (!setOwn(name, value)) {
    unknownProperty(name);
  }
}

const Value* GraphicsObject::appData(std::string_view name) const {
  auto it = m_appData.find(name);
  return it == m_appData.end() ? nullptr : &it->second;
}

void GraphicsObject::setAppData(std::string_view name, Value value) {
  m_appData.insert_or_assign(std::string(name), std::move(value));
}

}  // namespace vexmoor::graphics
