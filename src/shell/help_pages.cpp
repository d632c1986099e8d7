#include "shell/help_pages.h"

#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vexmoor {
namespace {

const char* resourceOf(const std::string& title) {
  if (title == "File formats") {
    return ":/vexmoor/docs/file-formats.md";
  }
  if (title == "Behaviour") {
    return ":/vexmoor/docs/behaviour.md";
  }
  return nullptr;
}

}  // namespace

std::optional<std::string> helpPageText(const std::string& title) {
  const char* resource = resourceOf(title);
  if (!resource) {
    return std::nullopt;
  }
  QFile file(resource);
  if (!file.open(QIODevice::ReadOnly)) {
    return std::nullopt;
  }
  return file.readAll().toStdString();
}

void showHelpPage(QWidget* parent, const std::string& title) {
  QString name = QString::fromStdString("HelpPage " + title);
  auto* dialog = parent ? parent->findChild<QDialog*>(name) : nullptr;
  if (!dialog) {
    dialog = new QDialog(parent);
    dialog->setObjectName(name);
    dialog->setWindowTitle(QString::fromStdString("Vexmoor: " + title));
    auto* browser = new QTextBrowser(dialog);
    browser->setObjectName("HelpText");
    browser->setOpenExternalLinks(true);
    std::optional<std::string> text = helpPageText(title);
    browser->setMarkdown(QString::fromStdString(text.value_or("This page is missing.")));
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(browser);
    dialog->resize(640, 560);
  }
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

std::string aboutText() {
  return std::string("Vexmoor ") + VEXMOOR_VERSION +
         "\n\nCompares the principal-component subspaces of two groups of landmark "
         "shapes: the angle between them, Krzanowski's metric, resampling tests and "
         "Flury's common-principal-components hierarchy.\n\nFree software under the GNU "
         "General Public License, version 3 (see the file LICENSE). It comes with "
         "no warranty.";
}

void showAbout(QWidget* parent) {
  QMessageBox::about(parent, "About Vexmoor", QString::fromStdString(aboutText()));
}

}  // namespace vexmoor
