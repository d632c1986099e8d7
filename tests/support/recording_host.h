// A Host that keeps what the core writes, for tests of diagnostics and
// warnings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/host.h"

namespace vexmoor::testing {

class RecordingHost : public Host {
 public:
  explicit RecordingHost(bool consoleOn = true) : m_consoleOn(consoleOn) {}
  bool consoleEnabled() const override { return m_consoleOn; }
  void consoleWrite(std::string_view text) override { console += text; }
  void messageBox(std::string_view text) override { boxes.emplace_back(text); }

  std::string console;
  std::vector<std::string> boxes;

 private:
  bool m_consoleOn;
};

}  // namespace vexmoor::testing
