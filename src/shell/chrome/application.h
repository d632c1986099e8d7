// The desktop application assembled: the by-name table with every
// operation bound, the dispatcher, the window shell and the long-action
// runner, wired to the graphics layer.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <atomic>
#include <memory>
#include <string>

#include "runtime/host.h"
#include "runtime/operation_table.h"
#include "shell/chrome/menu_bar.h"
#include "shell/layout/window_shell.h"
#include "shell/session/console_tail.h"
#include "shell/session/dispatcher.h"
#include "shell/session/long_action.h"
#include "shell/views/point_labels.h"
#include "shell/views/results_log.h"
#include "shell/views/results_panel.h"

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
  // results log, the row of p-values, seed and saves below the result box,
  // and point hover text; returns its handle.
  graphics::Handle open();
  // The console lines of the last action (shown in the Output box).
  const ConsoleTail& console() const { return m_tail; }

  // The results log of the main window (null before open()).
  ResultsLog* resultsLog() const { return m_log; }
  PointHover* pointHover() const { return m_hover; }
  // Work that other parts of the window provide; set before open().
  MenuHooks& menuHooks() { return m_hooks; }

 private:
  void furnish(QMainWindow& window);
  void saveResultText(QMainWindow& window);
  void addColoursButton(QMainWindow& window);
  // Shows the console lines of the last action in the Output box.
  void refreshOutput();

  Host& m_host;
  ConsoleTail m_tail{m_host};
  std::unique_ptr<LongActionRunner> m_runner;
  OperationTable m_table;
  Dispatcher m_dispatcher;
  WindowShell m_shell;
  MenuHooks m_hooks;
  QPointer<ResultsLog> m_log;
  QPointer<ResultsPanel> m_panel;
  QPointer<PointHover> m_hover;
  QPointer<QMainWindow> m_window;
  graphics::Handle m_figure = 0;
  std::atomic<bool> m_outputQueued{false};  // a refresh of the Output box is due
  QObject m_outputContext;                  // the refreshes die with the application
};

// Gives `window` a minimum size at which no control is cut: the file boxes
// keep their three lines, every control its least size. The size is set on
// the window itself, so that it holds also where no window manager
// enforces it.
void settleMinimumSize(QMainWindow& window);

// Shrinks `window` to fit the available area of its screen (never below
// its minimum size) and moves it wholly onto it.
void fitToScreen(QWidget& window);

}  // namespace vexmoor
