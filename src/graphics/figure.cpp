#include "graphics/figure.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

#include "graphics/plot_style.h"
#include "runtime/error.h"

namespace vexmoor::graphics {
namespace {

UnitScale scaleFor(const QWidget* w, double parentWidth, double parentHeight) {
  UnitScale s;
  s.parentWidth = parentWidth;
  s.parentHeight = parentHeight;
  QFontMetricsF fm(w ? w->font() : QGuiApplication::font());
  s.charWidth = fm.horizontalAdvance(QLatin1Char('x'));
  s.charHeight = fm.lineSpacing();
  s.dpi = w ? w->logicalDpiX() : 96;
  return s;
}

}  // namespace

Figure::Figure(Handle handle, QWidget* window) : GraphicsObject(handle), m_window(window) {}

Figure::~Figure() {
  if (m_window) {
    m_window->close();
    m_window->deleteLater();
  }
}

UnitScale Figure::childUnitScale() const {
  if (!m_window) {
    return {};
  }
  return scaleFor(m_window, m_window->width(), m_window->height());
}

std::optional<QRectF> Figure::pixelRect() const {
  if (!m_window) {
    return std::nullopt;
  }
  QRect g = m_window->geometry();
  QScreen* screen = m_window->screen();
  QRect s = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
  return QRectF(g.translated(-s.topLeft()));
}

void Figure::setPixelRect(const QRectF& rect) {
  if (!m_window) {
    return;
  }
  QScreen* screen = m_window->screen();
  QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
  m_window->setGeometry(rect.toAlignedRect().translated(origin));
}

UnitScale Figure::unitScale() const {
  QScreen* screen = m_window ? m_window->screen() : QGuiApplication::primaryScreen();
  QRect s = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
  return scaleFor(m_window, s.width(), s.height());
}

std::optional<Value> Figure::getOwn(std::string_view name) const {
  if (equalsIgnoringCase(name, "Name")) {
    return textValue(m_window ? m_window->windowTitle().toStdString() : "");
  }
  if (equalsIgnoringCase(name, "Visible")) {
    return textValue(m_window && m_window->isVisible() ? "on" : "off");
  }
  return std::nullopt;
}

bool Figure::setOwn(std::string_view name, const Value& value) {
  if (equalsIgnoringCase(name, "Name")) {
    if (m_window) {
      m_window->setWindowTitle(QString::fromStdString(textArg(value, "set", "Name")));
    }
    return true;
  }
  if (equalsIgnoringCase(name, "Visible")) {
    const std::string& s = textArg(value, "set", "Visible");
    if (!equalsIgnoringCase(s, "on") && !equalsIgnoringCase(s, "off")) {
      throw Error("property \"Visible\" is \"on\" or \"off\", not \"" + s + "\"");
    }
    if (m_window) {
      m_window->setVisible(equalsIgnoringCase(s, "on"));
    }
    return true;
  }
  return false;
}

}  // namespace vexmoor::graphics
