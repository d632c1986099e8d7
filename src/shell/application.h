// The desktop application assembled: the by-name table with every
// operation bound, the dispatcher, the window shell and the long-action
// runner, wired to the graphics layer.
#pragma once

#include <memory>
#include <string>

#include "runtime/host.h"
#include "runtime/operation_table.h"
#include "shell/dispatcher.h"
#include "shell/long_action.h"
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

  // Vexmoor with no argument: opens the main window; returns its handle.
  graphics::Handle open();

 private:
  Host& m_host;
  std::unique_ptr<LongActionRunner> m_runner;
  OperationTable m_table;
  Dispatcher m_dispatcher;
  WindowShell m_shell;
};

// Binds the window's operations (Vexmoor, mezeysw, plots, styling, window
// utilities, mfload) in `table`.
void bindGuiOperations(OperationTable& table, WindowShell& shell, Dispatcher& dispatcher);

}  // namespace vexmoor
