// Runs one analysis for the batch front end.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "batch_options.h"
#include "runtime/host.h"
#include "runtime/progress.h"

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

// The batch front end waits for keys only where a person can press them:
// with the diagnostics on and standard input a terminal.
bool batchKeyWaits(bool diagnostics, int inputDescriptor);

// Loads both files, runs the action and returns the result text. Throws
// vexmoor::Error on any failure, naming the file or setting at fault, and
// Cancelled when `progress` (may be null) asked the resampling to stop.
std::string runBatch(const BatchOptions& options, Host& host, Progress* progress = nullptr);

}  // namespace vexmoor
