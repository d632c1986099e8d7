#include "shell_fixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTest>

#include "runtime/error.h"
#include "runtime/graphics/message_box.h"

namespace vexmoor {

void ShellFixture::start(std::unique_ptr<LongActionRunner> runner) {
  m_app = std::make_unique<Application>(
      m_host, QCoreApplication::applicationDirPath().toStdString(), std::move(runner));
  m_app->dispatcher().setFileDialog(
      [this](const FileDialogRequest& r) -> std::optional<std::string> {
        m_requests.push_back(r);
        if (m_answers.empty()) {
          throw Error("the test gave the file dialog no answer");
        }
        std::optional<std::string> a = m_answers.front();
        m_answers.pop_front();
        return a;
      });
  setSaveDialog([this](QWidget*, const SaveDialogRequest& r) -> std::optional<SaveDialogAnswer> {
    m_saveRequests.push_back(r);
    if (m_saveAnswers.empty()) {
      return std::nullopt;
    }
    std::optional<SaveDialogAnswer> a = m_saveAnswers.front();
    m_saveAnswers.pop_front();
    return a;
  });
  graphics::setMessageBoxHook(
      [this](const std::string& text, const std::string&) { m_boxes.push_back(text); });
  m_main = m_app->open();
}

void ShellFixture::stop() {
  m_app.reset();
  m_answers.clear();
  m_requests.clear();
  m_saveAnswers.clear();
  m_saveRequests.clear();
  setSaveDialog(nullptr);
  m_boxes.clear();
  m_console.str("");
  graphics::graphics().closeAll();
  graphics::setMessageBoxHook(nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

graphics::Figure& ShellFixture::mainWindow() {
  return dynamic_cast<graphics::Figure&>(graphics::graphics().object(m_main));
}

graphics::GraphicsObject& ShellFixture::control(std::string_view tag) {
  std::vector<graphics::Handle> found = graphics::graphics().findByTag(tag);
  if (found.empty()) {
    throw Error("no control tagged " + std::string(tag));
  }
  return graphics::graphics().object(found.front());
}

std::string ShellFixture::string(std::string_view tag) {
  return std::get<std::string>(control(tag).get("String"));
}

double ShellFixture::value(std::string_view tag) {
  return std::get<Matrix>(control(tag).get("Value"))(0);
}

std::string ShellFixture::enable(std::string_view tag) {
  return std::get<std::string>(control(tag).get("Enable"));
}

void ShellFixture::click(std::string_view tag) {
  auto& c = dynamic_cast<graphics::UiControl&>(control(tag));
  auto* button = qobject_cast<QAbstractButton*>(c.widget());
  if (!button) {
    throw Error(std::string(tag) + " is not a button");
  }
  QTest::mouseClick(button, Qt::LeftButton);
}

std::string ShellFixture::example(const std::string& file) {
  return std::string(VEXMOOR_EXAMPLES) + "/" + file;
}

}  // namespace vexmoor
