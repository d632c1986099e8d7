#include "shell/gui_host.h"

#include <unistd.h>

#include <iostream>
#include <string>

#include "runtime/graphics/message_box.h"

namespace vexmoor {

GuiHost::GuiHost(std::ostream& console, bool interactive)
    : m_console(console), m_interactive(interactive) {}

GuiHost::GuiHost() : GuiHost(std::cout, isatty(STDIN_FILENO) == 1) {}

void GuiHost::consoleWrite(std::string_view text) {
  std::lock_guard lock(m_mutex);
  m_console << text << std::flush;
}

void GuiHost::messageBox(std::string_view text) {
  graphics::messageBox(std::string(text));
}

void GuiHost::waitForKey() {
  if (!m_interactive) {
    return;
  }
  consoleWrite("Press Enter to continue.\n");
  std::string line;
  std::getline(std::cin, line);
}

}  // namespace vexmoor
