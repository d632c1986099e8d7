// vexmoor-screenshot EXAMPLES OUT.png [--copy COPY.png] [--log LOG.png]
//                    [--minimum MIN.png] [--components FOLDER]
// The main window at its default size with the two bundled sample groups
// loaded and the angle between their planes shown, saved as a picture;
// with --copy also the picture that "Copy plot" puts on the clipboard; with
// --log the window after a bootstrap test as well, its results log holding
// both results; with --minimum the same at the window's minimum size; with
// --components FOLDER the four pictures of the principal-components window
// into FOLDER instead. For the documentation: run it under a real or
// virtual display, and with QT_SCALE_FACTOR=2 for the picture at twice the
// scale (see README).
#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QTimer>
#include <deque>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include <qcustomplot.h>

#include "graphics/graphics_system.h"
#include "plot/picture_file.h"
#include "runtime/value.h"
#include "shell/chrome/application.h"
#include "shell/session/gui_host.h"
#include "shell/views/components_window.h"

namespace {

constexpr int kSettleMs = 1500;

void waitFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// The principal-components window's four pictures of the gorilla groups
// (k = 2), as the window draws them at its usual size.
int componentPictures(vexmoor::Application& vexmoor, QWidget* window, const std::string& folder) {
  vexmoor::graphics::Handle box = vexmoor::graphics::graphics().findByTag("NumberABox").front();
  vexmoor::graphics::graphics().object(box).set("String", vexmoor::textValue("2"));
  vexmoor.dispatcher().mezeysw("PrincipalComponents");
  window->hide();
  vexmoor::ComponentsWindow& w = vexmoor::componentsWindow();
  w.resize(1100, 800);
  w.show();
  QApplication::processEvents();
  const std::pair<QCustomPlot*, const char*> pictures[] = {
      {&w.scorePlot(), "components-scores.png"},
      {&w.shapePlot(), "components-shape-change.png"},
      {&w.meetingPlot(), "components-subspaces-meet.png"},
      {&w.screePlot(), "components-scree.png"}};
  for (const auto& [plot, name] : pictures) {
    vexmoor::writePicture(folder + "/" + name, vexmoor::PictureFormat::kPng, plot->size(),
                          vexmoor::paintPlot(*plot));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::map<std::string, std::string> outputs;
  bool usage = argc < 3;
  for (int i = 3; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    usage = usage ||
            (flag != "--copy" && flag != "--log" && flag != "--minimum" && flag != "--components");
    outputs[flag] = argv[i + 1];
  }
  if (usage || argc % 2 == 0) {
    std::cerr << "usage: vexmoor-screenshot EXAMPLES_FOLDER OUT.png [--copy COPY.png] "
                 "[--log LOG.png] [--minimum MIN.png] [--components FOLDER]\n";
    return 2;
  }
  std::string examples = argv[1];
  // The diagnostics would only fill the terminal; the Output box shows them.
  vexmoor::GuiHost host(nullptr);
  vexmoor::Application vexmoor(host, QCoreApplication::applicationDirPath().toStdString(),
                               std::make_unique<vexmoor::InlineRunner>());
  std::deque<std::string> files{examples + "/gorilla/gorf.txt", examples + "/gorilla/gorm.txt"};
  vexmoor.dispatcher().setFileDialog(
      [&files](const vexmoor::FileDialogRequest&) -> std::optional<std::string> {
        std::string f = files.front();
        files.pop_front();
        return f;
      });
  try {
    vexmoor::graphics::Handle fig = vexmoor.open();
    QWidget* window = vexmoor::graphics::graphics().figureOf(fig)->window();
    vexmoor.dispatcher().mezeysw("LoadData1");
    vexmoor.dispatcher().mezeysw("LoadData2");
    if (outputs.count("--components")) {
      int status = componentPictures(vexmoor, window, outputs["--components"]);
      vexmoor::graphics::graphics().closeAll();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      return status;
    }
    vexmoor.dispatcher().mezeysw("DoMezeyAngle");
    if (outputs.count("--copy")) {
      vexmoor.dispatcher().mezeysw("CopyPlot");
      QImage copied = qvariant_cast<QImage>(QApplication::clipboard()->mimeData()->imageData());
      if (!copied.save(QString::fromStdString(outputs["--copy"]))) {
        std::cerr << "vexmoor-screenshot: cannot write " << outputs["--copy"] << '\n';
        return 1;
      }
    }
    auto grab = [&](const std::string& path) {
      waitFor(kSettleMs);
      if (!window->grab().save(QString::fromStdString(path))) {
        throw std::runtime_error("cannot write " + path);
      }
    };
    grab(argv[2]);
    if (outputs.count("--log") || outputs.count("--minimum")) {
      vexmoor.dispatcher().mezeysw("BootMezeyAngle");
      window->activateWindow();
      if (outputs.count("--log")) {
        grab(outputs["--log"]);
      }
      if (outputs.count("--minimum")) {
        window->resize(window->minimumSize());
        grab(outputs["--minimum"]);
      }
    }
    // The windows go while the application still runs.
    vexmoor::graphics::graphics().closeAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "vexmoor-screenshot: " << e.what() << '\n';
    return 1;
  }
}
