// The main window's menu bar: File, Analysis, View and Help, with the
// standard shortcuts. Entries that stand for a control of the layout run
// that control's callback, exactly as a click would, and are enabled
// whenever the control is.
#pragma once

#include <QMainWindow>
#include <functional>
#include <string>

class QAction;
class QDockWidget;

namespace vexmoor {

// Work that lives elsewhere; an empty hook leaves its entry disabled.
struct MenuHooks {
  std::function<void()> saveResult;  // File > Save result… (Ctrl+S)
  std::function<void()> savePlot;    // File > Save plot…
  std::function<void()> fitPlot;     // View > Fit plot
  // View > Coordinates as loaded / Superimposed in the pooled frame.
  std::function<void(bool superimposed)> showSuperimposed;
  // View > Group colours: markers in their group's colours again.
  std::function<void()> groupColours;
  // Help pages by title ("File formats", "Behaviour"); About.
  std::function<void(const std::string& page)> showHelp;
  std::function<void()> showAbout;
  // Which group Ctrl+O loads next: 1 or 2.
  std::function<int()> nextGroup;
  // Analysis > Covariance matrices: runs the analysis of this action name
  // on the loaded groups, as a button would.
  std::function<void(const std::string& action)> runAnalysis;
};

// Adds the menu bar to `window`, a window loaded from the layout. The
// results log dock, when given, gets a toggle in the View menu.
void installMenuBar(QMainWindow& window, MenuHooks hooks, QDockWidget* resultsLog = nullptr);

// The entry of the menu bar of `window` with this object name (tests).
QAction* menuAction(QMainWindow& window, const std::string& name);

}  // namespace vexmoor
