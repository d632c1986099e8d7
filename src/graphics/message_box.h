// Message boxes: a text for the user, with a title when given. They do not
// wait for the user, and may be asked for from any thread.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace vexmoor::graphics {

// Shows a box with `text` and `title`. From another thread the call is
// carried to the GUI thread and returns once the box is up.
void messageBox(const std::string& text, const std::string& title = "");

// The same, modal to the window of `over` (null: as messageBox): the box
// stays in front of that window, which takes no input until the box is
// closed; the call returns at once. GUI thread only.
void modalMessageBox(QWidget* over, const std::string& text, const std::string& title = "");

// Replaces the boxes by `hook` (tests); an empty hook restores them. The
// hook runs on the GUI thread.
using MessageBoxHook = std::function<void(const std::string& text, const std::string& title)>;
void setMessageBoxHook(MessageBoxHook hook);

}  // namespace vexmoor::graphics
