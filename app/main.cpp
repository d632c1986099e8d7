// vexmoor: the desktop application. Opens the main window and runs until
// the last window closes; diagnostics go to standard output.
#include <QApplication>
#include <iostream>

#include "shell/application.h"
#include "shell/gui_host.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vexmoor");
  vexmoor::GuiHost host;
  vexmoor::Application vexmoor(host, QCoreApplication::applicationDirPath().toStdString());
  try {
    vexmoor.open();
  } catch (const std::exception& e) {
    std::cerr << "vexmoor: " << e.what() << '\n';
    return 1;
  }
  return app.exec();
}
