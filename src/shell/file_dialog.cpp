#include "shell/file_dialog.h"

#include <QApplication>
#include <QFileDialog>

namespace vexmoor {

FileDialog qtFileDialog() {
  return [](const FileDialogRequest& r) -> std::optional<std::string> {
    QString filter = QString::fromStdString(r.filter);
    if (filter == "*.*") {
      // Every file first (a Morphologika or plain file has any name, and
      // the readers find the format from the content), then one filter per
      // format; the catch-all is spelt so that files without a dot show too.
      filter =
          "All files (*);;"
          "Plain landmark files (*.txt *.dat);;"
          "TPS files (*.tps *.TPS);;"
          "NTS files (*.nts *.NTS);;"
          "CSV and TSV tables (*.csv *.tsv *.CSV *.TSV);;"
          "Morphologika files (*.txt *.morph)";
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
