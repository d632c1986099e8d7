#include "shell/session/file_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>

namespace vexmoor {
namespace {

std::string& recent() {
  static std::string folder;
  return folder;
}

}  // namespace

std::string recentFolder() {
  if (!recent().empty()) {
    return recent();
  }
  QString current = QDir::currentPath();
  bool programFolder =
      QCoreApplication::instance() && QDir(current) == QDir(QCoreApplication::applicationDirPath());
  return (programFolder || current == QDir::rootPath() ? QDir::homePath() : current).toStdString();
}

void noteRecentFile(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (!folder.empty()) {
    recent() = folder;
  }
}

std::string inRecentFolder(const std::string& name) {
  if (std::filesystem::path(name).has_parent_path()) {
    return name;
  }
  return (std::filesystem::path(recentFolder()) / name).string();
}

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
    QString title = QString::fromStdString(r.title);
    if (r.group > 0) {
      title = QString("Load group %1: %2").arg(r.group).arg(title);
    }
    std::string folder = r.folder.empty() ? recentFolder() : r.folder;
    QString path = QFileDialog::getOpenFileName(QApplication::activeWindow(), title,
                                                QString::fromStdString(folder), filter);
    if (path.isEmpty()) {
      return std::nullopt;
    }
    return path.toStdString();
  };
}

DropQuestion qtDropQuestion() {
  return [](const std::string& refusal) {
    QMessageBox box(QMessageBox::Question, "Missing values",
                    QString::fromStdString(refusal) +
                        ".\n\nLeave these specimens out and load the others? The results "
                        "will name the specimens left out.",
                    QMessageBox::Cancel, QApplication::activeWindow());
    QPushButton* drop = box.addButton("Leave them out", QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == drop;
  };
}

}  // namespace vexmoor
