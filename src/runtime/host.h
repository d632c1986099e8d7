// What a front end lends the core: the console for diagnostics, the message
// box for warnings the user must see, and the key wait. The core never
// prints by itself.
#pragma once

#include <string_view>

#include "runtime/matrix.h"

namespace vexmoor {

class Host {
 public:
  virtual ~Host() = default;

  // False when nobody reads the console: callers skip formatting
  // diagnostics they would only throw away.
  virtual bool consoleEnabled() const = 0;
  // Writes text to the console as it stands.
  virtual void consoleWrite(std::string_view text) = 0;
  // Shows a message the user must see (a message box in the window).
  virtual void messageBox(std::string_view text) = 0;
  // Waits for a key on the console, where waiting makes sense.
  virtual void waitForKey() {}
};

// Discards diagnostics and messages: for computations nobody watches.
class SilentHost : public Host {
 public:
  bool consoleEnabled() const override { return false; }
  void consoleWrite(std::string_view) override {}
  void messageBox(std::string_view) override {}
};

SilentHost& silentHost();

// Console display of a named value, in the runtime's layout:
//   name =
//   <blank>
//       value lines
//   <blank>
// Each does nothing when the console is disabled.
void display(Host& host, std::string_view name, double value);
void display(Host& host, std::string_view name, const Matrix& value);
void display(Host& host, std::string_view name, std::string_view text);

}  // namespace vexmoor
