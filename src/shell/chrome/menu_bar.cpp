#include "shell/chrome/menu_bar.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDockWidget>
#include <QEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <utility>

#include "graphics/graphics_system.h"
#include "graphics/ui_control.h"

namespace vexmoor {
namespace {

// An entry that stands for a control of the layout.
struct ControlEntry {
  const char* name;  // the action's object name
  const char* text;
  const char* tag;  // the control's Tag
  QKeySequence shortcut;
};

graphics::UiControl* controlIn(QMainWindow& window, const char* tag) {
  for (graphics::Handle h : graphics::graphics().findByTag(tag)) {
    auto* c = dynamic_cast<graphics::UiControl*>(graphics::graphics().find(h));
    if (c && c->widget() && c->widget()->window() == &window) {
      return c;
    }
  }
  return nullptr;
}

// Keeps an entry enabled exactly when its control is.
class EnableMirror : public QObject {
 public:
  EnableMirror(QWidget* control, QAction* action) : QObject(action), m_action(action) {
    control->installEventFilter(this);
    m_action->setEnabled(control->isEnabled());
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange) {
      m_action->setEnabled(static_cast<QWidget*>(watched)->isEnabled());
    }
    return false;
  }

 private:
  QAction* m_action;
};

QAction* addControlEntry(QMenu* menu, QMainWindow& window, const ControlEntry& e) {
  auto* action = menu->addAction(QString::fromUtf8(e.text));
  action->setObjectName(e.name);
  if (!e.shortcut.isEmpty()) {
    action->setShortcut(e.shortcut);
  }
  graphics::UiControl* control = controlIn(window, e.tag);
  if (!control) {
    action->setEnabled(false);
    return action;
  }
  graphics::Handle handle = control->handle();
  new EnableMirror(control->widget(), action);
  QObject::connect(action, &QAction::triggered, action, [handle] {
    if (graphics::graphics().find(handle)) {
      graphics::graphics().runCallback(handle);
    }
  });
  return action;
}

QAction* addHookEntry(QMenu* menu, const char* name, const char* text, std::function<void()> hook,
                      QKeySequence shortcut = {}) {
  auto* action = menu->addAction(QString::fromUtf8(text));
  action->setObjectName(name);
  action->setShortcut(shortcut);
  action->setEnabled(static_cast<bool>(hook));
  if (hook) {
    QObject::connect(action, &QAction::triggered, action, [hook = std::move(hook)] { hook(); });
  }
  return action;
}

void addFileMenu(QMainWindow& window, const MenuHooks& hooks) {
  QMenu* file = window.menuBar()->addMenu("&File");
  file->setObjectName("FileMenu");
  QAction* load1 =
      addControlEntry(file, window, {"LoadGroup1Action", "Load group &1…", "Pushbutton1", {}});
  QAction* load2 =
      addControlEntry(file, window, {"LoadGroup2Action", "Load group &2…", "Pushbutton2", {}});
  // Ctrl+O loads the group that comes next; the menu shows it on that entry.
  auto* next = new QAction("Load next group", &window);
  next->setObjectName("LoadNextGroupAction");
  next->setShortcut(QKeySequence::Open);
  next->setShortcutContext(Qt::WindowShortcut);
  window.addAction(next);
  auto nextEntry = [load1, load2, nextGroup = hooks.nextGroup] {
    return nextGroup && nextGroup() == 2 && load2->isEnabled() ? load2 : load1;
  };
  QObject::connect(next, &QAction::triggered, next, [nextEntry] { nextEntry()->trigger(); });
  QObject::connect(file, &QMenu::aboutToShow, file, [load1, load2, nextEntry] {
    load1->setShortcut({});
    load2->setShortcut({});
    nextEntry()->setShortcut(QKeySequence::Open);
    // Shown only: the window's own action takes the key.
    nextEntry()->setShortcutContext(Qt::WidgetShortcut);
  });
  addControlEntry(file, window, {"ClearDataAction", "&Clear data", "ClearButton", {}});
  file->addSeparator();
  addHookEntry(file, "SaveResultAction", "&Save result…", hooks.saveResult, QKeySequence::Save);
  addHookEntry(file, "SavePlotAction", "Save &plot…", hooks.savePlot);
  addControlEntry(file, window,
                  {"CopyPlotAction", "C&opy plot", "CopyButton", QKeySequence("Ctrl+Shift+C")});
  file->addSeparator();
  addHookEntry(
      file, "QuitAction", "&Quit", [] { QApplication::closeAllWindows(); }, QKeySequence::Quit);
}

// The analyses of the whole covariance matrices have no button: the
// menu is their door.
void addCovarianceMenu(QMenu* analysis, const MenuHooks& hooks) {
  QMenu* menu = analysis->addMenu("Co&variance matrices");
  menu->setObjectName("CovarianceMenu");
  const std::pair<const char*, const char*> entries[] = {
      {"RelativeEigenanalysis", "&Relative eigenanalysis"},
      {"CovarianceDistances", "Covariance &distances"},
      {"RandomSkewers", "Random &skewers"},
      {"MatrixCorrelation", "&Matrix correlation"},
      {"CommonSubspace", "&Common subspace"},
  };
  for (const auto& [action, text] : entries) {
    std::function<void()> run;
    if (hooks.runAnalysis) {
      run = [hook = hooks.runAnalysis, name = std::string(action)] { hook(name); };
    }
    addHookEntry(menu, (std::string(action) + "Action").c_str(), text, std::move(run));
  }
}

void addAnalysisMenu(QMainWindow& window, const MenuHooks& hooks) {
  QMenu* menu = window.menuBar()->addMenu("&Analysis");
  menu->setObjectName("AnalysisMenu");
  const ControlEntry entries[] = {
      {"AngleAction", "&Angle between planes", "AngleButton", QKeySequence("Ctrl+1")},
      {"CpcAction", "&CPC hierarchy", "CpcButton", QKeySequence("Ctrl+2")},
      {"BootAction", "&Bootstrap test", "BootButton", QKeySequence("Ctrl+3")},
      {"BootRangeAction", "Bootstrap &range", "BootRangeButton", QKeySequence("Ctrl+4")},
      {"RangeAction", "Range of angle &test", "RangeButton", QKeySequence("Ctrl+5")},
      {"PermuteAction", "Random &shuffle test", "PermuteButton", QKeySequence("Ctrl+6")},
      {"RandAction", "Ran&domization test", "RandButton", QKeySequence("Ctrl+7")},
      {"ComponentsAction", "&Principal components", "PcButton", QKeySequence("Ctrl+8")},
  };
  for (const ControlEntry& e : entries) {
    addControlEntry(menu, window, e);
  }
  menu->addSeparator();
  addCovarianceMenu(menu, hooks);
}

void addViewMenu(QMainWindow& window, const MenuHooks& hooks, QDockWidget* resultsLog) {
  QMenu* menu = window.menuBar()->addMenu("&View");
  menu->setObjectName("ViewMenu");
  const ControlEntry entries[] = {
      {"FilledAction", "&Filled markers", "FillButton", {}},
      {"HollowAction", "&Hollow markers", "HollowButton", {}},
      {"LargerAction", "&Larger markers", "LargerButton", QKeySequence(QKeySequence::ZoomIn)},
      {"SmallerAction", "&Smaller markers", "SmallerButton", QKeySequence(QKeySequence::ZoomOut)},
      {"BlackAction", "&Black markers", "BlackButton", {}},
  };
  for (const ControlEntry& e : entries) {
    addControlEntry(menu, window, e);
  }
  addHookEntry(menu, "GroupColoursAction", "&Group colours", hooks.groupColours);
  menu->addSeparator();
  // The raw coordinates or the specimens as the analyses see them.
  auto* views = new QActionGroup(menu);
  const std::pair<const char*, const char*> viewEntries[] = {
      {"RawViewAction", "&Coordinates as loaded"},
      {"SuperimposedViewAction", "Su&perimposed in the pooled frame"},
  };
  for (const auto& [name, text] : viewEntries) {
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setObjectName(name);
    a->setCheckable(true);
    a->setEnabled(static_cast<bool>(hooks.showSuperimposed));
    views->addAction(a);
  }
  views->actions().front()->setChecked(true);
  if (hooks.showSuperimposed) {
    QObject::connect(
        views, &QActionGroup::triggered, menu,
        [show = hooks.showSuperimposed, views](QAction* a) { show(a == views->actions().back()); });
  }
  menu->addSeparator();
  addHookEntry(menu, "FitPlotAction", "Fi&t plot", hooks.fitPlot, QKeySequence("Ctrl+0"));
  if (resultsLog) {
    QAction* toggle = resultsLog->toggleViewAction();
    toggle->setObjectName("ResultsLogAction");
    toggle->setText("Results &log");
    toggle->setShortcut(QKeySequence("Ctrl+L"));
    menu->addAction(toggle);
  }
}

void addHelpMenu(QMainWindow& window, const MenuHooks& hooks) {
  QMenu* menu = window.menuBar()->addMenu("&Help");
  menu->setObjectName("HelpMenu");
  auto page = [&hooks](const char* title) -> std::function<void()> {
    if (!hooks.showHelp) {
      return {};
    }
    return [show = hooks.showHelp, title] { show(title); };
  };
  addHookEntry(menu, "FileFormatsAction", "&File formats", page("File formats"),
               QKeySequence::HelpContents);
  addHookEntry(menu, "BehaviourAction", "&Behaviour", page("Behaviour"));
  menu->addSeparator();
  addHookEntry(menu, "AboutAction", "&About Vexmoor", hooks.showAbout);
}

}  // namespace

void installMenuBar(QMainWindow& window, MenuHooks hooks, QDockWidget* resultsLog) {
  addFileMenu(window, hooks);
  addAnalysisMenu(window, hooks);
  addViewMenu(window, hooks, resultsLog);
  addHelpMenu(window, hooks);
}

QAction* menuAction(QMainWindow& window, const std::string& name) {
  return window.findChild<QAction*>(QString::fromStdString(name));
}

}  // namespace vexmoor
