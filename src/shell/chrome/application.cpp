#include "shell/chrome/application.h"

#include <QAction>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "analyses/computing_operations.h"
#include "graphics/graphics_system.h"
#include "io/output_file.h"
#include "plot/plot_styling.h"
#include "runtime/text.h"
#include "shell/chrome/help_pages.h"
#include "shell/layout/gui_operations.h"
#include "shell/views/result_saving.h"
#include "shell/views/results_panel.h"

namespace vexmoor {
namespace {

// Pixels beyond the minimum height at the first size: five more lines of
// the result box.
constexpr int kResultRoom = 160;

}  // namespace

Application::Application(Host& host, std::string layoutFolder,
                         std::unique_ptr<LongActionRunner> runner)
    : m_host(host),
      m_runner(runner ? std::move(runner) : std::make_unique<ProgressDialogRunner>()),
      m_dispatcher(m_tail, *m_runner),
      m_shell(m_tail, m_table, std::move(layoutFolder)) {
  bindComputingOperations(m_table, m_tail);
  bindGuiOperations(m_table, m_shell, m_dispatcher);
  m_dispatcher.setStatusSink([this](const std::string& line) { m_shell.showStatus(line, false); });
  graphics::graphics().setCallbackHandler([this](graphics::Handle object, const std::string& text) {
    m_shell.runCallbackText(object, text);
  });
}

Application::~Application() {
  graphics::graphics().setCallbackHandler(nullptr);
  setSaveReporter(nullptr);
  m_tail.setOnWrite(nullptr);
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
  m_window = &window;
  auto* dock = new QDockWidget("Results log", &window);
  dock->setObjectName("ResultsLogDock");
  m_log = new ResultsLog(dock);
  dock->setWidget(m_log);
  window.addDockWidget(Qt::BottomDockWidgetArea, dock);
  m_log->setReporter(
      [this](const std::string& line, bool error) { m_shell.showStatus(line, error); });
  // Every result goes to the log and to the views that show it; every
  // change of the session to every view of a result.
  m_dispatcher.setResultSink([this](const RunOutput& output) {
    if (m_log) {
      m_log->append(logEntryOf(output, std::chrono::system_clock::now()));
    }
    if (m_panel) {
      m_panel->showResult(output, shownRunOf(output, m_dispatcher.lastOutputLoads()));
    }
    RunView::followSession(sessionNowOf(m_dispatcher));
  });
  m_dispatcher.setDataChangedSink([this] { RunView::followSession(sessionNowOf(m_dispatcher)); });
  // Failures and warnings are kept whole in the log: the status line may
  // have to cut them.
  m_shell.setErrorSink([this](const std::string& what, const std::string& message) {
    if (m_log) {
      m_log->appendNote(what + " failed", message);
    }
  });
  m_dispatcher.setStatusSink([this](const std::string& line) {
    m_shell.showStatus(line, false);
    if (m_log && line.find("warning") != std::string::npos) {
      m_log->appendNote("Warning", line);
    }
  });
  setSaveReporter([this](const std::string& line) { m_shell.showStatus(line, false); });

  // The Output box: the console lines of the action that runs or ran last.
  if (auto* out = window.findChild<QPlainTextEdit*>("OutBox")) {
    out->setToolTip(QString("The console lines of the last action (its last %1)")
                        .arg(static_cast<int>(kOutputLines)));
  }
  m_dispatcher.setActionObserver([this](std::string_view, bool starting) {
    if (starting) {
      m_tail.clear();
      if (auto* out = m_window ? m_window->findChild<QPlainTextEdit*>("OutBox") : nullptr) {
        out->clear();
      }
    } else {
      refreshOutput();
    }
  });
  m_tail.setOnWrite([this] {
    // From any thread: at most one refresh queued, a few times a second.
    bool expected = false;
    if (!m_outputQueued.compare_exchange_strong(expected, true)) {
      return;
    }
    QMetaObject::invokeMethod(
        &m_outputContext,
        [this] {
          QTimer::singleShot(250, &m_outputContext, [this] {
            m_outputQueued = false;
            refreshOutput();
          });
        },
        Qt::QueuedConnection);
  });

  m_panel = &attachResultsPanel(window, m_dispatcher);
  MenuHooks hooks = m_hooks;
  if (!hooks.saveResult) {
    hooks.saveResult = [this, &window] {
      if (!m_dispatcher.lastOutput()) {
        saveResultText(window);
        return;
      }
      saveResult(&window, *m_dispatcher.lastOutput());
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
  if (!hooks.showSuperimposed) {
    hooks.showSuperimposed = [this](bool superimposed) {
      m_dispatcher.setPlotView(superimposed ? PlotView::kSuperimposed : PlotView::kRaw);
    };
  }
  if (!hooks.groupColours) {
    hooks.groupColours = [this] {
      if (graphics::Axes* axes = graphics::graphics().figureOf(m_figure)->currentAxes()) {
        restoreMarkerColours(axes->handle());
      }
    };
  }
  if (!hooks.runAnalysis) {
    hooks.runAnalysis = [this](const std::string& action) {
      m_shell.runCallbackText(0, "mezeysw('" + action + "')");
    };
  }
  if (!hooks.nextGroup) {
    hooks.nextGroup = [this] {
      const ApplicationState& s = m_dispatcher.state();
      return s.group1 && !s.group2 ? 2 : 1;
    };
  }
  installMenuBar(window, hooks, dock);
  addColoursButton(window);

  for (graphics::GraphicsObject* o : graphics::graphics().figureOf(m_figure)->children()) {
    if (auto* axes = dynamic_cast<graphics::Axes*>(o); axes && axes->canvas() && !m_hover) {
      m_hover = new PointHover(axes->handle(), m_dispatcher.pointLabels(), axes->canvas());
      axes->canvas()->installEventFilter(m_hover);
      m_dispatcher.setPlotAxes(axes->handle());
    }
  }
  settleMinimumSize(window);
  // At its first size the window shows a whole result, not only its least
  // box: room beyond the minimum, shared by the plot and the result panel.
  if (auto* splitter = window.findChild<QSplitter*>("RightSplitter");
      splitter && splitter->count() == 2) {
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
  }
  window.resize(window.size().expandedTo(QSize(0, window.minimumHeight() + kResultRoom)));
  window.resizeDocks({dock}, {dock->minimumSizeHint().height()}, Qt::Vertical);
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

void Application::refreshOutput() {
  auto* out = m_window ? m_window->findChild<QPlainTextEdit*>("OutBox") : nullptr;
  if (!out || !m_tail.written()) {
    return;
  }
  out->setPlainText(QString::fromStdString(m_tail.text()));
  out->verticalScrollBar()->setValue(out->verticalScrollBar()->maximum());
}

void Application::addColoursButton(QMainWindow& window) {
  auto* black = window.findChild<QPushButton*>("BlackButton");
  QWidget* row = black ? black->parentWidget() : nullptr;
  auto* layout = row ? row->findChild<QHBoxLayout*>("PlotButtonLayout") : nullptr;
  if (!layout) {
    return;
  }
  auto* colours = new QPushButton("Colours", row);
  colours->setObjectName("ColoursButton");
  colours->setToolTip("Markers in their group's colours again (after Black)");
  layout->insertWidget(layout->indexOf(black) + 1, colours);
  // Shown now, not when the event loop next runs: the minimum size counts
  // only visible widgets.
  colours->show();
  QObject::connect(colours, &QPushButton::clicked, colours, [this] {
    if (QAction* a = menuAction(*m_window, "GroupColoursAction")) {
      a->trigger();
    }
  });
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
