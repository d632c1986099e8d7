#include "shell/views/stale_note.h"

#include <QGraphicsOpacityEffect>

namespace vexmoor {
namespace {

constexpr double kFaded = 0.45;

}  // namespace

QLabel* makeStaleNote(QWidget* parent) {
  auto* note = new QLabel(parent);
  note->setObjectName("StaleNote");
  note->setWordWrap(true);
  note->setStyleSheet("QLabel { color: #8a5a00; font-style: italic; }");
  note->hide();
  return note;
}

void markView(QLabel& noteLine, std::initializer_list<QWidget*> content, const std::string& note) {
  bool stale = !note.empty();
  noteLine.setText(QString::fromStdString(note));
  noteLine.setVisible(stale);
  for (QWidget* w : content) {
    if (!w) {
      continue;
    }
    if (stale) {
      auto* faded = new QGraphicsOpacityEffect(w);
      faded->setOpacity(kFaded);
      w->setGraphicsEffect(faded);
    } else {
      w->setGraphicsEffect(nullptr);
    }
    w->setProperty("stale", stale);
  }
}

}  // namespace vexmoor
