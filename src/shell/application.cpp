#include "shell/application.h"

#include <QDockWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <algorithm>
#include <chrono>

#include "actions/computing_operations.h"
#include "io/output_file.h"
#include "runtime/graphics/graphics_system.h"
#include "runtime/text.h"
#include "shell/help_pages.h"
#include "shell/result_saving.h"
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
  graphics::Figure* f = graphics::graphics().figureOf(fig);
  auto* window = f ? qobject_cast<QMainWindow*>(f->window()) : nullptr;
  if (window && !m_log) {
    m_figure = fig;
    furnish(*window);
  }
  return fig;
}

void Application::furnish(QMainWindow& window) {
  auto* dock = new QDockWidget("Results log", &window);
  dock->setObjectName("ResultsLogDock");
  m_log = new ResultsLog(dock);
  dock->setWidget(m_log);
  window.addDockWidget(Qt::BottomDockWidgetArea, dock);
  m_log->setReporter(
      [this](const std::string& line, bool error) { m_shell.showStatus(line, error); });
  m_dispatcher.setResultSink([this](const AnalysisRecord& r) {
    if (!m_log) {
      return;
    }
    m_log->append(LogEntry{std::chrono::system_clock::now(), r.label, r.files, r.components,
                           r.bootValue, r.seed, r.text});
  });

  attachResultsPanel(window, m_dispatcher);
  MenuHooks hooks = m_hooks;
  if (!hooks.saveResult) {
    hooks.saveResult = [this, &window] {
      if (!m_dispatcher.lastResult()) {
        saveResultText(window);
        return;
      }
      saveResult(&window, *m_dispatcher.lastResult(), m_dispatcher.lastRun());
    };
  }
  if (!hooks.savePlot) {
    hooks.savePlot = [&window] { saveGroupPlot(&window); };
  }
  if (!hooks.fitPlot) {
    hooks.fitPlot = [] {
      graphics::Axes& axes = graphics::graphics().gca();
      if (!axes.is3D()) {
        axes.setLimitsAuto();
      }
    };
  }
  if (!hooks.showHelp) {
    hooks.showHelp = [&window](const std::string& page) { showHelpPage(&window, page); };
  }
  if (!hooks.showAbout) {
    hooks.showAbout = [&window] { showAbout(&window); };
  }
  if (!hooks.nextGroup) {
    hooks.nextGroup = [this] {
      const ApplicationState& s = m_dispatcher.state();
      return s.data1 && !s.data2 ? 2 : 1;
    };
  }
  installMenuBar(window, hooks, dock);

  for (graphics::GraphicsObject* o : graphics::graphics().figureOf(m_figure)->children()) {
    if (auto* axes = dynamic_cast<graphics::Axes*>(o); axes && axes->canvas() && !m_hover) {
      m_hover = new PointHover(axes->handle(), m_dispatcher.pointLabels(), axes->canvas());
      axes->canvas()->installEventFilter(m_hover);
    }
  }
  settleMinimumSize(window);
  fitToScreen(window);
}

}  // namespace vexmoor

namespace vexmoor {

void Application::saveResultText(QMainWindow& window) {
  std::vector<graphics::Handle> found = graphics::graphics().findByTag("ResBox");
  if (found.empty()) {
    return;
  }
  Value v = graphics::graphics().object(found.front()).get("String");
  const std::string* text = std::get_if<std::string>(&v);
  if (!text || text->empty()) {
    m_shell.showStatus("Save result: there is no result to save yet", false);
    return;
  }
  std::optional<SaveDialogAnswer> answer = askWhereToSave(
      &window, {"Save the result", "vexmoor-result.txt", "Text files (*.txt);;All files (*)"});
  if (!answer) {
    return;
  }
  const std::string& path = answer->path;
  try {
    writeOutputFile(path, *text + "\n");
  } catch (const Error& e) {
    m_shell.showStatus(std::string("Save result failed: ") + e.what(), true);
    return;
  }
  m_shell.showStatus("Result saved to " + escapeNonPrintable(path), false);
}

void settleMinimumSize(QMainWindow& window) {
  // A file box shows its summary's three lines in full.
  for (const char* name : {"FileBox1", "FileBox2"}) {
    if (auto* box = window.findChild<QPlainTextEdit*>(name)) {
      QFontMetrics fm(box->font());
      int margins = box->contentsMargins().top() + box->contentsMargins().bottom() +
                    2 * static_cast<int>(box->document()->documentMargin());
      int needed = 3 * fm.lineSpacing() + margins + 2;
      box->setMinimumHeight(needed);
      box->setMaximumHeight(std::max(box->maximumHeight(), needed));
    }
  }
  // The central area keeps its own least size; the menu bar, the status
  // line and the docks come on top of it.
  QSize least = window.centralWidget() ? window.centralWidget()->minimumSizeHint() : QSize();
  least.rheight() +=
      window.menuBar()->sizeHint().height() + window.statusBar()->sizeHint().height();
  for (QDockWidget* dock : window.findChildren<QDockWidget*>()) {
    least.rheight() += dock->minimumSizeHint().height();
    least.setWidth(std::max(least.width(), dock->minimumSizeHint().width()));
  }
  window.setMinimumSize(least.expandedTo(window.minimumSizeHint()));
}

void fitToScreen(QWidget& window) {
  QScreen* screen = window.screen();
  if (!screen) {
    return;
  }
  QRect area = screen->availableGeometry();
  // The frame adds to the window's size; leave room for it.
  QSize frame = window.frameGeometry().size() - window.geometry().size();
  QSize room = area.size() - frame;
  QSize size = window.size().boundedTo(room).expandedTo(window.minimumSize());
  if (size != window.size()) {
    window.resize(size);
  }
  QRect g = window.frameGeometry();
  int x = std::max(area.left(), std::min(g.left(), area.right() - g.width() + 1));
  int y = std::max(area.top(), std::min(g.top(), area.bottom() - g.height() + 1));
  if (QPoint(x, y) != g.topLeft()) {
    window.move(x, y);
  }
}

}  // namespace vexmoor
