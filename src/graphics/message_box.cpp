#include "graphics/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace vexmoor::graphics {
namespace {

MessageBoxHook& hook() {
  static MessageBoxHook h;
  return h;
}

void showOnGuiThread(const std::string& text, const std::string& title) {
  if (hook()) {
    hook()(text, title);
    return;
  }
  // Parented to a modal dialog, if one is up, so that the box can be
  // read and closed while the dialog waits.
  auto* box = new QMessageBox(QMessageBox::NoIcon, QString::fromStdString(title),
                              QString::fromStdString(text), QMessageBox::Ok,
                              QApplication::activeModalWidget());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->setTextInteractionFlags(Qt::TextSelectableByMouse);
  box->show();
}

}  // namespace

void messageBox(const std::string& text, const std::string& title) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    showOnGuiThread(text, title);
    return;
  }
  QMetaObject::invokeMethod(
      app, [text, title] { showOnGuiThread(text, title); }, Qt::BlockingQueuedConnection);
}

void modalMessageBox(QWidget* over, const std::string& text, const std::string& title) {
  QWidget* window = over ? over->window() : nullptr;
  if (hook() || !window) {
    messageBox(text, title);
    return;
  }
  auto* box = new QMessageBox(QMessageBox::Warning, QString::fromStdString(title),
                              QString::fromStdString(text), QMessageBox::Ok, window);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::WindowModal);
  box->setTextInteractionFlags(Qt::TextSelectableByMouse);
  box->open();
}

void setMessageBoxHook(MessageBoxHook h) {
  hook() = std::move(h);
}

}  // namespace vexmoor::graphics
