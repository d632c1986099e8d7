#include "shell/chrome/status_line.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <algorithm>

namespace vexmoor {
namespace {

constexpr const char* kStatusLabel = "vexmoorStatusLine";

// Cut with an ellipsis to the width it has, so that it never widens the
// window; the tooltip holds the whole text.
class StatusLabel : public QLabel {
 public:
  explicit StatusLabel(QWidget* parent) : QLabel(parent) {}
  void show(const QString& text, bool error) {
    m_full = text;
    m_error = error;
    setStyleSheet(error ? "QLabel { color: #b00020; font-weight: bold; }" : "");
    setToolTip(text);
    elide();
  }
  const QString& fullText() const { return m_full; }
  bool isError() const { return m_error; }
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
  QSize sizeHint() const override { return {0, QLabel::sizeHint().height()}; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    elide();
  }

 private:
  void elide() { setText(fontMetrics().elidedText(m_full, Qt::ElideRight, std::max(0, width()))); }

  QString m_full;
  bool m_error = false;
};

StatusLabel* statusLabel(const QWidget* window, bool create) {
  auto* main = qobject_cast<const QMainWindow*>(window);
  if (!main) {
    return nullptr;
  }
  // Only this file makes the label of that name.
  auto* label = static_cast<StatusLabel*>(main->findChild<QLabel*>(kStatusLabel));
  if (!label && create) {
    QStatusBar* bar = const_cast<QMainWindow*>(main)->statusBar();
    label = new StatusLabel(bar);
    label->setObjectName(kStatusLabel);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar->addWidget(label, 1);
  }
  return label;
}

}  // namespace

void showStatusLine(QWidget* window, const std::string& text, bool error) {
  if (StatusLabel* label = statusLabel(window, true)) {
    label->show(QString::fromStdString(text), error);
  }
}

std::string statusLineText(const QWidget* window) {
  StatusLabel* label = statusLabel(window, false);
  return label ? label->fullText().toStdString() : std::string();
}

bool statusLineIsError(const QWidget* window) {
  StatusLabel* label = statusLabel(window, false);
  return label && label->isError();
}

}  // namespace vexmoor
