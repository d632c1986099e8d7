// vexmoor: the desktop application. Opens the main window and runs until
// the last window closes. The console diagnostics go to standard output
// when it is a terminal or with --diagnostics; started from a desktop
// entry they would only fill the desktop's log. The Output box shows the
// last action's lines either way.
#include <unistd.h>

#include <QApplication>
#include <cstring>
#include <iostream>

#include "shell/chrome/application.h"
#include "shell/session/gui_host.h"

int main(int argc, char** argv) {
  bool diagnostics = isatty(STDOUT_FILENO) != 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--diagnostics") == 0) {
      diagnostics = true;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vexmoor");
  vexmoor::GuiHost host(diagnostics ? &std::cout : nullptr);
  vexmoor::Application vexmoor(host, QCoreApplication::applicationDirPath().toStdString());
  try {
    vexmoor.open();
  } catch (const std::exception& e) {
    std::cerr << "vexmoor: " << e.what() << '\n';
    return 1;
  }
  return app.exec();
}
