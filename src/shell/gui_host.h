// The desktop application's Host: console lines to standard output, message
// boxes in the window (from any thread), and the key wait only where a
// person sits at a terminal.
#pragma once

#include <mutex>
#include <ostream>

#include "runtime/host.h"

namespace vexmoor {

class GuiHost : public Host {
 public:
  // `console` receives the diagnostics; `interactive` says whether a key
  // can be waited for on standard input.
  GuiHost(std::ostream& console, bool interactive);
  // Standard output; waits for keys when standard input is a terminal.
  GuiHost();

  bool consoleEnabled() const override { return true; }
  // Thread-safe: lines from a worker never interleave with others.
  void consoleWrite(std::string_view text) override;
  // Thread-safe: shown on the GUI thread (see graphics::messageBox).
  void messageBox(std::string_view text) override;
  // Reads one line of standard input when interactive; else returns.
  void waitForKey() override;

 private:
  std::ostream& m_console;
  bool m_interactive;
  std::mutex m_mutex;
};

}  // namespace vexmoor
