// The desktop application under test: scripted file and save dialogs, captured
// console and message boxes, the real layout file.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/graphics_system.h"
#include "shell/chrome/application.h"
#include "shell/chrome/status_line.h"
#include "shell/session/gui_host.h"
#include "shell/views/result_saving.h"

namespace vexmoor {

class ShellFixture {
 public:
  // Opens the main window; `runner` null: the progress-dialog runner.
  void start(std::unique_ptr<LongActionRunner> runner = nullptr);
  // Closes every window and forgets the application.
  void stop();

  Application& app() { return *m_app; }
  Dispatcher& dispatcher() { return m_app->dispatcher(); }
  graphics::Figure& mainWindow();

  // The next answers of the file dialog (nullopt: cancel).
  void answer(std::optional<std::string> path) { m_answers.push_back(std::move(path)); }
  const std::vector<FileDialogRequest>& requests() const { return m_requests; }
  // The next answers of the save dialog; with none left it cancels.
  void answerSave(std::optional<SaveDialogAnswer> a) { m_saveAnswers.push_back(std::move(a)); }
  const std::vector<SaveDialogRequest>& saveRequests() const { return m_saveRequests; }

  graphics::GraphicsObject& control(std::string_view tag);
  std::string string(std::string_view tag);
  double value(std::string_view tag);
  std::string enable(std::string_view tag);
  // Clicks the button tagged `tag` (its callback runs).
  void click(std::string_view tag);

  std::string console() const { return m_console.str(); }
  const std::vector<std::string>& messageBoxes() const { return m_boxes; }
  std::string status() { return statusLineText(mainWindow().window()); }
  bool statusIsError() { return statusLineIsError(mainWindow().window()); }

  static std::string example(const std::string& file);

  // The main window's plot of the groups.
  graphics::Axes& groupAxes();
  // Why the plot does not hold exactly the loaded groups' points (in two
  // dimensions each specimen's landmarks and its group's mean, at their
  // coordinates when the plot shows them as loaded; in three each group's
  // consensus), every point named for its group; empty when it does.
  std::string plotMismatch();

 private:
  std::ostringstream m_console;
  GuiHost m_host{m_console, false};
  std::unique_ptr<Application> m_app;
  std::deque<std::optional<std::string>> m_answers;
  std::vector<FileDialogRequest> m_requests;
  std::deque<std::optional<SaveDialogAnswer>> m_saveAnswers;
  std::vector<SaveDialogRequest> m_saveRequests;
  std::vector<std::string> m_boxes;
  graphics::Handle m_main = 0;
};

}  // namespace vexmoor
