// Asking the user for a data file: the dialog is a function, so that tests
// and scripted runs can answer in its place.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vexmoor {

struct FileDialogRequest {
  std::string title;
  std::string filter;  // "*.*"
  std::string folder;  // where the dialog opens; empty: the current folder
};

// The full path of the chosen file; nullopt when the user cancelled.
using FileDialog = std::function<std::optional<std::string>(const FileDialogRequest&)>;

// The desktop's open-file dialog.
FileDialog qtFileDialog();

}  // namespace vexmoor
