// The desktop application's Host: console lines to a stream (standard
// output when it is a terminal or with --diagnostics, see main) and message
// boxes in the window (from any thread). The window never waits for the
// console: a key wait is skipped with one console line saying so.
#pragma once

#include <mutex>
#include <ostream>
#include <string_view>

#include "runtime/host.h"

namespace vexmoor {

// The console line that stands for a key wait in the window.
inline constexpr std::string_view kKeyWaitSkipped =
    "(key wait skipped: the window does not wait for the console)";

class GuiHost : public Host {
 public:
  // `console` receives the diagnostics.
  explicit GuiHost(std::ostream& console);
  // Null: the diagnostics go nowhere.
  explicit GuiHost(std::ostream* console) : m_console(console) {}
  // Kept for callers that still say whether a terminal is attached: the
  // window skips the key wait either way.
  GuiHost(std::ostream& console, bool /*terminalAttached*/) : GuiHost(console) {}
  // Standard output.
  GuiHost();

  bool consoleEnabled() const override { return true; }
  // Thread-safe: lines from a worker never interleave with others.
  void consoleWrite(std::string_view text) override;
  // Thread-safe: shown on the GUI thread (see graphics::messageBox).
  void messageBox(std::string_view text) override;
  // Returns at once, after one console line saying the wait is skipped: a
  // wait on standard input would freeze the window.
  void waitForKey() override;

 private:
  std::ostream* m_console;
  std::mutex m_mutex;
};

}  // namespace vexmoor
