#include "shell/session/console_tail.h"

namespace vexmoor {

void ConsoleTail::consoleWrite(std::string_view text) {
  m_inner.consoleWrite(text);
  {
    std::lock_guard lock(m_mutex);
    m_written = true;
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) {
        m_partial += text.substr(start);
        break;
      }
      m_partial += text.substr(start, end - start);
      m_lines.push_back(std::move(m_partial));
      m_partial.clear();
      if (m_lines.size() > m_maxLines) {
        m_lines.pop_front();
      }
      start = end + 1;
    }
  }
  if (m_onWrite) {
    m_onWrite();
  }
}

void ConsoleTail::clear() {
  std::lock_guard lock(m_mutex);
  m_lines.clear();
  m_partial.clear();
  m_written = false;
}

std::string ConsoleTail::text() const {
  std::lock_guard lock(m_mutex);
  std::string out;
  size_t first = m_partial.empty() || m_lines.size() < m_maxLines ? 0 : 1;
  for (size_t i = first; i < m_lines.size(); ++i) {
    out += m_lines[i];
    out += '\n';
  }
  return out + m_partial;
}

bool ConsoleTail::written() const {
  std::lock_guard lock(m_mutex);
  return m_written;
}

}  // namespace vexmoor
