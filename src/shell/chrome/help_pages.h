// The Help menu's pages (file formats, behaviour) and the About box. The
// pages are the Markdown documents of docs/, built into the program.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

namespace vexmoor {

// The Markdown text of a page by its title ("File formats", "Behaviour"),
// as the user reads it (see forReaders); nullopt for another title.
std::optional<std::string> helpPageText(const std::string& title);

// A page of docs/ without what only the project's developers need: the
// lines between "<!-- developers -->" and "<!-- /developers -->", and the
// last column of every table whose last heading is "test".
std::string forReaders(const std::string& markdown);

// Shows the page in a window of its own, one per title, reused.
void showHelpPage(QWidget* parent, const std::string& title);

// Program name, version and licence.
std::string aboutText();
void showAbout(QWidget* parent);

}  // namespace vexmoor
