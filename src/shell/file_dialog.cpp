#include "shell/file_dialog.h"

#include <QApplication>
#include <QFileDialog>

namespace vexmoor {

FileDialog qtFileDialog() {
  return [](const FileDialogRequest& r) -> std::optional<std::string> {
    QString filter = QString::fromStdString(r.filter);
    if (filter == "*.*") {
      // The catch-all pattern, spelt so that files without a dot show too.
      filter = "All files (*)";
    }
    QString path =
        QFileDialog::getOpenFileName(QApplication::activeWindow(), QString::fromStdString(r.title),
                                     QString::fromStdString(r.folder), filter);
    if (path.isEmpty()) {
      return std::nullopt;
    }
    return path.toStdString();
  };
}

}  // namespace vexmoor
