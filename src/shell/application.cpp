#include "shell/application.h"

#include <QDockWidget>
#include <QMainWindow>

#include "actions/computing_operations.h"
#include "runtime/graphics/graphics_system.h"
#include "shell/results_panel.h"

namespace vexmoor {

Application::Application(Host& host, std::string layoutFolder,
                         std::unique_ptr<LongActionRunner> runner)
    : m_host(host),
      m_runner(runner ? std::move(runner) : std::make_unique<ProgressDialogRunner>()),
      m_dispatcher(host, *m_runner),
      m_shell(host, m_table, std::move(layoutFolder)) {
  bindComputingOperations(m_table, host);
  bindGuiOperations(m_table, m_shell, m_dispatcher);
  m_dispatcher.setStatusSink([this](const std::string& line) { m_shell.showStatus(line, false); });
  graphics::graphics().setCallbackHandler([this](graphics::Handle object, const std::string& text) {
    m_shell.runCallbackText(object, text);
  });
}

Application::~Application() {
  graphics::graphics().setCallbackHandler(nullptr);
}

graphics::Handle Application::open() {
  std::vector<Value> r = m_shell.Vexmoor({}, 1);
  graphics::Handle fig = std::get<Matrix>(r.front())(0);
  graphics::Figure* figure = graphics::graphics().figureOf(fig);
  auto* window = figure ? qobject_cast<QMainWindow*>(figure->window()) : nullptr;
  if (window && !window->findChild<QDockWidget*>("ResultsDock")) {
    attachResultsPanel(*window, m_dispatcher);
  }
  return fig;
}

}  // namespace vexmoor
