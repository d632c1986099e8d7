#include "shell/chrome/help_pages.h"

#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <map>
#include <string_view>

#include "shell/views/reused_window.h"

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

std::string trimmed(std::string_view s) {
  size_t a = s.find_first_not_of(" \t");
  size_t b = s.find_last_not_of(" \t\r");
  return a == std::string_view::npos ? "" : std::string(s.substr(a, b - a + 1));
}

// The row without its last cell: "| a | b | c |" -> "| a | b |".
std::string withoutLastCell(const std::string& row) {
  std::string t = trimmed(row);
  size_t end = t.rfind('|');
  size_t before = end == 0 || end == std::string::npos ? std::string::npos : t.rfind('|', end - 1);
  return before == std::string::npos ? t : t.substr(0, before + 1);
}

std::string lastCell(const std::string& row) {
  std::string t = trimmed(row);
  std::string shorter = withoutLastCell(t);
  return trimmed(std::string_view(t).substr(shorter.size(), t.size() - shorter.size() - 1));
}

}  // namespace

std::string forReaders(const std::string& markdown) {
  std::string out;
  bool developers = false;
  bool dropColumn = false;
  size_t start = 0;
  while (start < markdown.size()) {
    size_t end = markdown.find('\n', start);
    std::string line = markdown.substr(start, end == std::string::npos ? end : end - start);
    start = end == std::string::npos ? markdown.size() : end + 1;
    std::string t = trimmed(line);
    if (t == "<!-- developers -->") {
      developers = true;
      continue;
    }
    if (t == "<!-- /developers -->") {
      developers = false;
      continue;
    }
    if (developers) {
      continue;
    }
    if (!t.starts_with("|")) {
      dropColumn = false;
    } else if (!dropColumn && lastCell(t) == "test") {
      dropColumn = true;  // the heading row of a table with tests
    }
    out += (dropColumn ? withoutLastCell(line) : line) + "\n";
  }
  return out;
}

std::optional<std::string> helpPageText(const std::string& title) {
  const char* resource = resourceOf(title);
  if (!resource) {
    return std::nullopt;
  }
  QFile file(resource);
  if (!file.open(QIODevice::ReadOnly)) {
    return std::nullopt;
  }
  return forReaders(file.readAll().toStdString());
}

void showHelpPage(QWidget* parent, const std::string& title) {
  // One window per page; each dies with the window it was opened over.
  static std::map<std::string, QPointer<QDialog>> pages;
  QDialog* dialog = &reusedWindow(pages[title], [&] {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QString::fromStdString("HelpPage " + title));
    dialog->setWindowTitle(QString::fromStdString("Vexmoor: " + title));
    auto* browser = new QTextBrowser(dialog);
    browser->setObjectName("HelpText");
    browser->setOpenExternalLinks(true);
    std::optional<std::string> text = helpPageText(title);
    browser->setMarkdown(QString::fromStdString(text.value_or("This page is missing.")));
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(browser);
    dialog->resize(640, 560);
    return dialog;
  });
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
