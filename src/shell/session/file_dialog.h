// Asking the user for a data file: the dialog is a function, so that tests
// and scripted runs can answer in its place. Every dialog of the window,
// for loading or saving, starts in the folder of the last file loaded or
// saved.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vexmoor {

struct FileDialogRequest {
  std::string title;   // "Enter file to Load?"
  std::string filter;  // "*.*"
  std::string folder;  // where the dialog opens; empty: recentFolder()
  int group = 0;       // the group the file is for (the window title names it); 0: none
};

// The full path of the chosen file; nullopt when the user cancelled.
using FileDialog = std::function<std::optional<std::string>(const FileDialogRequest&)>;

// The desktop's open-file dialog, titled "Load group 2: Enter file to
// Load?" for a group.
FileDialog qtFileDialog();

// Asked when a file is refused for specimens with missing values while
// others are complete: `refusal` is the reading's message naming them.
// True reads the file again leaving them out.
using DropQuestion = std::function<bool(const std::string& refusal)>;

// A modal question box offering "Leave them out" or Cancel.
DropQuestion qtDropQuestion();

// The folder of the last file loaded or saved in this process; before
// any, the current folder unless that is the program's own folder (a
// desktop start), else the home folder.
std::string recentFolder();
// Notes the file just loaded or saved.
void noteRecentFile(const std::string& path);
// `name` in recentFolder() when it names no folder of its own.
std::string inRecentFolder(const std::string& name);

}  // namespace vexmoor
