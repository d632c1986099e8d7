// vexmoor-screenshot EXAMPLES OUT.png [COPY.png [LOG.png]]: the main
// window with the two bundled sample groups loaded and the angle between
// their planes shown, saved as a picture; with COPY.png also the picture
// that "Copy plot" puts on the clipboard; with LOG.png also the window after
// a bootstrap test, its results log holding both results. With
// --components, the four pictures of the principal-components window into
// OUT_FOLDER instead. For the documentation: run it under a real or virtual
// display.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QTimer>
#include <deque>
#include <iostream>
#include <memory>
#include <string>

#include <qcustomplot.h>

#include "plot/picture_file.h"
#include "runtime/graphics/graphics_system.h"
#include "runtime/value.h"
#include "shell/application.h"
#include "shell/components_window.h"
#include "shell/gui_host.h"

namespace {

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
  bool components = argc == 4 && std::string(argv[1]) == "--components";
  if (!components && (argc < 3 || argc > 5)) {
    std::cerr << "usage: vexmoor-screenshot EXAMPLES_FOLDER OUT.png [COPY.png [LOG.png]]\n"
                 "       vexmoor-screenshot --components EXAMPLES_FOLDER OUT_FOLDER\n";
    return 2;
  }
  if (components) {
    ++argv;
  }
  std::string examples = argv[1];
  QString out = argv[2];
  vexmoor::GuiHost host;
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
    window->resize(1100, 720);
    vexmoor.dispatcher().mezeysw("LoadData1");
    vexmoor.dispatcher().mezeysw("LoadData2");
    if (components) {
      return componentPictures(vexmoor, window, argv[2]);
    }
    vexmoor.dispatcher().mezeysw("DoMezeyAngle");
    if (argc >= 4) {
      vexmoor.dispatcher().mezeysw("CopyPlot");
      QImage copied = qvariant_cast<QImage>(QApplication::clipboard()->mimeData()->imageData());
      if (!copied.save(argv[3])) {
        std::cerr << "vexmoor-screenshot: cannot write " << argv[3] << '\n';
        return 1;
      }
    }
    int status = 1;
    QTimer::singleShot(1500, [&] {
      status = window->grab().save(out) ? 0 : 1;
      if (argc == 5) {
        vexmoor.dispatcher().mezeysw("BootMezeyAngle");
        return;
      }
      app.quit();
    });
    QTimer::singleShot(3000, [&] {
      if (argc == 5 && !window->grab().save(argv[4])) {
        status = 1;
      }
      app.quit();
    });
    app.exec();
    return status;
  } catch (const std::exception& e) {
    std::cerr << "vexmoor-screenshot: " << e.what() << '\n';
    return 1;
  }
}
