// Runs one analysis for the batch front end.
#pragma once

#include <ostream>
#include <string>

#include "batch_options.h"
#include "runtime/host.h"
#include "runtime/progress.h"

namespace vexmoor {

// The console goes to `diagnostics` only when enabled; message boxes always
// go to it, as warnings.
class StreamHost : public Host {
 public:
  StreamHost(std::ostream& diagnostics, bool consoleEnabled)
      : m_out(diagnostics), m_enabled(consoleEnabled) {}
  bool consoleEnabled() const override { return m_enabled; }
  void consoleWrite(std::string_view text) override;
  void messageBox(std::string_view text) override;

 private:
  std::ostream& m_out;
  bool m_enabled;
};

// Loads both files, runs the action and returns the result text. Throws
// vexmoor::Error on any failure, naming the file or setting at fault, and
// Cancelled when `progress` (may be null) asked the resampling to stop.
std::string runBatch(const BatchOptions& options, Host& host, Progress* progress = nullptr);

}  // namespace vexmoor
