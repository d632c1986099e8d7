// A host on an output stream: what a front end without a window lends the
// core (the batch front end's standard error, a binding's captured text).
#pragma once

#include <istream>
#include <ostream>
#include <string_view>

#include "runtime/host.h"

namespace vexmoor {

// The console goes to `diagnostics` only when enabled; message boxes always
// go to it, as warnings. With `keyWaits`, a key wait prompts on
// `diagnostics` and reads one line of `keys`; without, it returns at once.
class StreamHost : public Host {
 public:
  StreamHost(std::ostream& diagnostics, bool consoleEnabled, bool keyWaits = false,
             std::istream* keys = nullptr)
      : m_out(diagnostics), m_enabled(consoleEnabled), m_keyWaits(keyWaits), m_keys(keys) {}
  bool consoleEnabled() const override { return m_enabled; }
  void consoleWrite(std::string_view text) override;
  void messageBox(std::string_view text) override;
  void waitForKey() override;

 private:
  std::ostream& m_out;
  bool m_enabled;
  bool m_keyWaits;
  std::istream* m_keys;
};

}  // namespace vexmoor
