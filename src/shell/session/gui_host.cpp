#include "shell/session/gui_host.h"

#include <iostream>
#include <string>

#include "graphics/message_box.h"
#include "shell/session/status_text.h"

namespace vexmoor {

GuiHost::GuiHost(std::ostream& console) : m_console(&console) {}

GuiHost::GuiHost() : GuiHost(std::cout) {}

void GuiHost::consoleWrite(std::string_view text) {
  if (!m_console) {
    return;
  }
  std::lock_guard lock(m_mutex);
  *m_console << text << std::flush;
}

void GuiHost::messageBox(std::string_view text) {
  graphics::messageBox(displayText(text, true));
}

void GuiHost::waitForKey() {
  consoleWrite(std::string(kKeyWaitSkipped) + "\n");
}

}  // namespace vexmoor
