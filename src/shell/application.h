// The desktop application assembled: the by-name table with every
// operation bound, the dispatcher, the window shell and the long-action
// runner, wired to the graphics layer.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>

#include "runtime/host.h"
#include "runtime/operation_table.h"
#include "shell/dispatcher.h"
#include "shell/long_action.h"
#include "shell/menu_bar.h"
#include "shell/point_labels.h"
#include "shell/results_log.h"
#include "shell/window_shell.h"

namespace vexmoor {

class Application {
 public:
  // `host` must outlive the application. The layout file is looked for in
  // `layoutFolder`; `runner` runs the long actions (a progress dialog when
  // null).
  Application(Host& host, std::string layoutFolder,
              std::unique_ptr<LongActionRunner> runner = nullptr);
  ~Application();

  OperationTable& table() { return m_table; }
  Dispatcher& dispatcher() { return m_dispatcher; }
  WindowShell& shell() { return m_shell; }

  // Vexmoor with no argument: opens the main window, with its menu bar,
  // results log and point hover text; returns its handle.
  graphics::Handle open();

  // The results log of the main window (null before open()).
  ResultsLog* resultsLog() const { return m_log; }
  PointHover* pointHover() const { return m_hover; }
  // Work that other parts of the window provide; set before open().
  MenuHooks& menuHooks() { return m_hooks; }

 private:
  void furnish(QMainWindow& window);
  void saveResultText(QMainWindow& window);

  Host& m_host;
  std::unique_ptr<LongActionRunner> m_runner;
  OperationTable m_table;
  Dispatcher m_dispatcher;
  WindowShell m_shell;
  MenuHooks m_hooks;
  QPointer<ResultsLog> m_log;
  QPointer<PointHover> m_hover;
  graphics::Handle m_figure = 0;
};

// Gives `window` a minimum size at which no control is cut: the file boxes
// keep their three lines, every control its least size.
void settleMinimumSize(QMainWindow& window);

// Shrinks `window` to fit the available area of its screen (never below
// its minimum size) and moves it wholly onto it.
void fitToScreen(QWidget& window);

// Binds the window's operations (Vexmoor, mezeysw, plots, styling, window
// utilities, mfload) in `table`.
void bindGuiOperations(OperationTable& table, WindowShell& shell, Dispatcher& dispatcher);

}  // namespace vexmoor
