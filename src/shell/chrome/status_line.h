// The line of status at the foot of the main window: the outcome of the last
// step. Errors show in red until the next status; a line longer than the
// window is shown cut, whole in its tooltip.
#pragma once

#include <QWidget>
#include <string>

namespace vexmoor {

// Shows `text` at the foot of `window` (a QMainWindow; others have none).
void showStatusLine(QWidget* window, const std::string& text, bool error);
// The whole text shown, and whether it is an error ("" and false when none).
std::string statusLineText(const QWidget* window);
bool statusLineIsError(const QWidget* window);

}  // namespace vexmoor
