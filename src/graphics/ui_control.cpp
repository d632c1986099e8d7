#include "graphics/ui_control.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringList>
#include <QTextEdit>
#include <algorithm>
#include <cmath>
#include <limits>

#include "graphics/figure.h"
#include "graphics/plot_style.h"
#include "runtime/error.h"

namespace vexmoor::graphics {
namespace {

QStringList itemsOf(const std::string& text) {
  return QString::fromStdString(text).split(QRegularExpression("[|\\n]"));
}

int wholeNumber(const Value& v, std::string_view property) {
  const Matrix* m = std::get_if<Matrix>(&v);
  if (!m || m->size() != 1 || !std::isfinite((*m)(0)) || (*m)(0) != std::floor((*m)(0))) {
    throw Error("property \"" + std::string(property) + "\" needs one whole number here");
  }
  // Clamped, so that a value beyond an int reaches the caller's range
  // message instead of an undefined conversion.
  return static_cast<int>(std::clamp((*m)(0), double(std::numeric_limits<int>::min()),
                                     double(std::numeric_limits<int>::max())));
}

}  // namespace

UiControl::UiControl(Handle handle, Figure& figure, QWidget* widget)
    : GraphicsObject(handle), m_figure(figure), m_widget(widget) {}

bool UiControl::isControl(const QWidget* w) {
  return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
         qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
         qobject_cast<const QLabel*>(w) || qobject_cast<const QComboBox*>(w) ||
         qobject_cast<const QListWidget*>(w) || qobject_cast<const QGroupBox*>(w);
}

std::string UiControl::style() const {
  QWidget* w = m_widget;
  if (auto* b = qobject_cast<QPushButton*>(w)) {
    return b->isCheckable() ? "togglebutton" : "pushbutton";
  }
  if (qobject_cast<QCheckBox*>(w)) {
    return "checkbox";
  }
  if (qobject_cast<QRadioButton*>(w)) {
    return "radiobutton";
  }
  if (qobject_cast<QAbstractButton*>(w)) {
    return "pushbutton";
  }
  if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
      qobject_cast<QTextEdit*>(w)) {
    return "edit";
  }
  if (qobject_cast<QLabel*>(w)) {
    return "text";
  }
  if (qobject_cast<QComboBox*>(w)) {
    return "popupmenu";
  }
  if (qobject_cast<QListWidget*>(w)) {
    return "listbox";
  }
  if (qobject_cast<QGroupBox*>(w)) {
    return "frame";
  }
  return "";
}

std::string UiControl::callback() const {
  return m_widget ? m_widget->property("Callback").toString().toStdString() : std::string();
}

std::optional<Value> UiControl::getOwn(std::string_view name) const {
  QWidget* w = m_widget;
  if (!w) {
    return std::nullopt;
  }
  if (equalsIgnoringCase(name, "String")) {
    QString s;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      s = b->text();
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      s = e->text();
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
      s = p->toPlainText();
    } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
      s = t->toPlainText();
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
      s = l->text();
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      QStringList items;
      for (int i = 0; i < c->count(); ++i) {
        items << c->itemText(i);
      }
      s = items.join('|');
    } else if (auto* lw = qobject_cast<QListWidget*>(w)) {
      QStringList items;
      for (int i = 0; i < lw->count(); ++i) {
        items << lw->item(i)->text();
      }
      s = items.join('|');
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      s = g->title();
    }
    return textValue(s.toStdString());
  }
  if (equalsIgnoringCase(name, "Value")) {
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
      return scalarValue(b->isChecked() ? 1 : 0);
    }
    if (auto* c = qobject_cast<QComboBox*>(w)) {
      return scalarValue(c->currentIndex() + 1);
    }
    if (auto* lw = qobject_cast<QListWidget*>(w)) {
      return scalarValue(lw->currentRow() + 1);
    }
    return scalarValue(m_value);
  }
  if (equalsIgnoringCase(name, "Enable")) {
    return textValue(w->isEnabled() ? "on" : "off");
  }
  if (equalsIgnoringCase(name, "Visible")) {
    return textValue(w->isHidden() ? "off" : "on");
  }
  if (equalsIgnoringCase(name, "Style")) {
    return textValue(style());
  }
  if (equalsIgnoringCase(name, "Callback")) {
    return textValue(callback());
  }
  return std::nullopt;
}

bool UiControl::setOwn(std::string_view name, const Value& value) {
  QWidget* w = m_widget;
  if (!w) {
    return false;
  }
  if (equalsIgnoringCase(name, "String")) {
    const std::string& text = textArg(value, "set", "String");
    QString s = QString::fromStdString(text);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      b->setText(s);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      e->setText(s);
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
      p->setPlainText(s);
    } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
      t->setPlainText(s);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
      l->setText(s);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      c->clear();
      c->addItems(itemsOf(text));
    } else if (auto* lw = qobject_cast<QListWidget*>(w)) {
      lw->clear();
      lw->addItems(itemsOf(text));
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      g->setTitle(s);
    }
    return true;
  }
  if (equalsIgnoringCase(name, "Value")) {
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
      b->setChecked(scalarArg(value, "set", "Value") != 0);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      int i = wholeNumber(value, "Value");
      if (i < 1 || i > c->count()) {
        throw Error("property \"Value\" of a drop-down list of " + std::to_string(c->count()) +
                    " items must be from 1 to " + std::to_string(c->count()));
      }
      c->setCurrentIndex(i - 1);
    } else if (auto* lw = qobject_cast<QListWidget*>(w)) {
      int i = wholeNumber(value, "Value");
      if (i < 1 || i > lw->count()) {
        throw Error("property \"Value\" of a list of " + std::to_string(lw->count()) +
                    " items must be from 1 to " + std::to_string(lw->count()));
      }
      lw->setCurrentRow(i - 1);
    } else {
      m_value = scalarArg(value, "set", "Value");
    }
    return true;
  }
  if (equalsIgnoringCase(name, "Enable") || equalsIgnoringCase(name, "Visible")) {
    const std::string& s = textArg(value, "set", name);
    if (!equalsIgnoringCase(s, "on") && !equalsIgnoringCase(s, "off")) {
      throw Error("property \"" + std::string(name) + "\" is \"on\" or \"off\", not \"" + s + "\"");
    }
    bool on = equalsIgnoringCase(s, "on");
    if (equalsIgnoringCase(name, "Enable")) {
      w->setEnabled(on);
    } else {
      w->setVisible(on);
    }
    return true;
  }
  if (equalsIgnoringCase(name, "Callback")) {
    w->setProperty("Callback", QString::fromStdString(textArg(value, "set", "Callback")));
    return true;
  }
  return false;
}

std::optional<QRectF> UiControl::pixelRect() const {
  if (!m_widget || !m_figure.window()) {
    return std::nullopt;
  }
  QPoint origin = m_widget->mapTo(m_figure.window(), QPoint(0, 0));
  return QRectF(QRect(origin, m_widget->size()));
}

void UiControl::setPixelRect(const QRectF& rect) {
  if (m_widget && m_figure.window()) {
    QPoint origin = m_widget->parentWidget()->mapTo(m_figure.window(), QPoint(0, 0));
    m_widget->setGeometry(rect.toAlignedRect().translated(-origin));
  }
}

UnitScale UiControl::unitScale() const {
  return m_figure.childUnitScale();
}

}  // namespace vexmoor::graphics
