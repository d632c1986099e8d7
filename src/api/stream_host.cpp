#include "api/stream_host.h"

#include <string>

namespace vexmoor {

void StreamHost::consoleWrite(std::string_view text) {
  m_out << text << std::flush;
}

void StreamHost::messageBox(std::string_view text) {
  m_out << "warning: " << text << std::endl;
}

void StreamHost::waitForKey() {
  if (!m_keyWaits || !m_keys) {
    return;
  }
  m_out << "Press Enter to continue." << std::endl;
  std::string line;
  std::getline(*m_keys, line);
}

}  // namespace vexmoor
