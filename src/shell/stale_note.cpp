#include "shell/stale_note.h"

namespace vexmoor {

QLabel* makeStaleNote(QWidget* parent) {
  auto* note = new QLabel(parent);
  note->setObjectName("StaleNote");
  note->setWordWrap(true);
  note->setStyleSheet("QLabel { color: #8a5a00; font-style: italic; }");
  note->hide();
  return note;
}

}  // namespace vexmoor
