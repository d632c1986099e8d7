#include "shell/layout/window_shell.h"

#include <QMainWindow>
#include <QScreen>
#include <array>
#include <filesystem>
#include <new>

#include "graphics/graphics_system.h"
#include "graphics/layout_loader.h"
#include "runtime/error.h"
#include "shell/chrome/status_line.h"
#include "shell/layout/identifiers.h"
#include "shell/session/dispatcher.h"
#include "shell/session/status_text.h"

namespace vexmoor {
namespace {

// The message of the exception being handled; faults that carry none of
// their own say what happened.
std::string caughtMessage() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unexpected fault";
  }
}

constexpr std::array<std::string_view, 21> kPlaceholders{
    "pushbutton1_Callback",  "pushbutton2_Callback",  "FileBox1_Callback",
    "FileBox2_Callback",     "BaseBox1_Callback",     "BaseBox2_Callback",
    "pushbutton4_Callback",  "pushbutton5_Callback",  "pushbutton6_Callback",
    "pushbutton7_Callback",  "edit5_Callback",        "pushbutton8_Callback",
    "pushbutton9_Callback",  "pushbutton10_Callback", "pushbutton11_Callback",
    "pushbutton12_Callback", "pushbutton13_Callback", "listbox1_Callback",
    "pushbutton15_Callback", "pushbutton24_Callback", "Suppress3_Callback"};

constexpr std::string_view kHandlesKey = "UsedByGUIData_m";
constexpr size_t kMaxKeyLength = 31;

graphics::Figure& figureHolding(Handle h) {
  graphics::Figure* f = graphics::graphics().figureOf(h);
  if (!f || !f->window()) {
    throw Error("H must be the handle to a figure or figure descendent.");
  }
  return *f;
}

bool isMainWindow(const graphics::Figure* f) {
  return f && qobject_cast<QMainWindow*>(f->window());
}

}  // namespace

WindowShell::WindowShell(Host& host, const OperationTable& table, std::string layoutFolder)
    : m_host(host), m_table(table), m_layoutFolder(std::move(layoutFolder)) {}

std::span<const std::string_view> WindowShell::placeholderCallbacks() {
  return kPlaceholders;
}

std::vector<Value> WindowShell::Vexmoor(std::span<const Value> args, int nargout) {
  if (args.empty()) {
    Handle fig = openfig("Vexmoor", "reuse");
    guidata(fig, guihandles(fig));
    if (nargout > 0) {
      return {scalarValue(fig)};
    }
    return {};
  }
  const std::string* name = std::get_if<std::string>(&args[0]);
  if (!name) {
    return {};
  }
  std::span<const Value> rest = args.subspan(1);
  for (std::string_view callback : kPlaceholders) {
    if (callback == *name) {
      std::string control(
          callback.substr(0, callback.size() - std::string_view("_Callback").size()));
      m_host.consoleWrite(control + " Callback not implemented yet.\n");
      return {};
    }
  }
  std::string what = *name;
  if (*name == "mezeysw" && !rest.empty() && std::holds_alternative<std::string>(rest[0])) {
    what = actionLabel(std::get<std::string>(rest[0]));
  }
  try {
    return m_table.call(*name, rest, nargout);
  } catch (...) {
    // Last resort: a fault of any kind ends the action, never the window.
    reportError(what, caughtMessage());
  }
  return {};
}

std::string WindowShell::layoutPath(const std::string& folder, const std::string& name) const {
  if (!folder.empty()) {
    return (std::filesystem::path(folder) / name).string();
  }
  std::filesystem::path beside = std::filesystem::path(m_layoutFolder) / name;
  std::error_code ec;
  if (!m_layoutFolder.empty() && std::filesystem::exists(beside, ec)) {
    return beside.string();
  }
  return name;
}

Handle WindowShell::openfig(const std::string& filename, const std::string& policy) {
  if (policy != "new" && policy != "reuse") {
    throw Error("Second input argument must be 'new' or 'reuse'.");
  }
  std::filesystem::path path(filename);
  std::string extension = path.extension().string();
  if (!extension.empty() && extension != ".fig") {
    throw Error("Argument must be a .fig file");
  }
  std::string name = path.stem().string();
  std::string key = (name + "_SINGLETON_handle").substr(0, kMaxKeyLength);

  graphics::GraphicsSystem& g = graphics::graphics();
  std::vector<Handle> open;
  if (const Value* stored = g.root().appData(key)) {
    if (const Matrix* m = std::get_if<Matrix>(stored)) {
      for (Index i = 0; i < m->size(); ++i) {
        if (dynamic_cast<graphics::Figure*>(g.find((*m)(i)))) {
          open.push_back((*m)(i));
        }
      }
    }
  }
  if (policy == "new" || open.empty()) {
    graphics::Figure& f =
        graphics::loadLayoutWindow(layoutPath(path.parent_path().string(), name + ".fig"));
    f.window()->show();
    if (policy == "reuse") {
      open.clear();
    }
    open.push_back(f.handle());
  }
  Handle fig = open.back();
  Matrix list(1, static_cast<Index>(open.size()));
  for (size_t i = 0; i < open.size(); ++i) {
    list(0, static_cast<Index>(i)) = open[i];
  }
  g.root().setAppData(key, list);
  movegui(fig, "onscreen");
  graphics::Figure& f = figureHolding(fig);
  if (f.window()->isVisible()) {
    f.window()->raise();
    f.window()->activateWindow();
    g.setCurrentFigure(f);
  }
  return fig;
}

Record WindowShell::guihandles(Handle h) const {
  graphics::Figure& f = figureHolding(h);
  graphics::GraphicsSystem& g = graphics::graphics();
  Record handles;
  for (Handle o : g.findAll(f)) {
    const std::string& tag = g.object(o).tag();
    if (!tag.empty() && isvarname(tag)) {
      handles.append(tag, o);
    }
  }
  return handles;
}

void WindowShell::guidata(Handle h, const Value& data) {
  figureHolding(h).setAppData(kHandlesKey, data);
}

Value WindowShell::guidata(Handle h) const {
  const Value* v = figureHolding(h).appData(kHandlesKey);
  return v ? *v : Value(Matrix(0, 0));
}

void WindowShell::movegui(Handle h, std::string_view position) {
  QWidget* w = figureHolding(h).window();
  QScreen* screen = w->screen();
  if (!screen) {
    return;
  }
  QRect area = screen->availableGeometry();
  QRect frame = w->frameGeometry();
  int left = area.left();
  int right = area.right() - frame.width() + 1;
  int top = area.top();
  int bottom = area.bottom() - frame.height() + 1;
  QPoint centre(area.center().x() - frame.width() / 2, area.center().y() - frame.height() / 2);
  QPoint target;
  if (position == "onscreen") {
    // Wholly on the screen where it fits; a window larger than the screen
    // keeps its top-left corner on it.
    target.setX(std::max(left, std::min(frame.left(), right)));
    target.setY(std::max(top, std::min(frame.top(), bottom)));
  } else if (position == "center") {
    target = centre;
  } else if (position == "north") {
    target = QPoint(centre.x(), top);
  } else if (position == "south") {
    target = QPoint(centre.x(), bottom);
  } else if (position == "east") {
    target = QPoint(right, centre.y());
  } else if (position == "west") {
    target = QPoint(left, centre.y());
  } else if (position == "northeast") {
    target = QPoint(right, top);
  } else if (position == "northwest") {
    target = QPoint(left, top);
  } else if (position == "southeast") {
    target = QPoint(right, bottom);
  } else if (position == "southwest") {
    target = QPoint(left, bottom);
  } else {
    throw Error("movegui: \"" + std::string(position) +
                "\" is not a position (onscreen, center, north, south, east, west, northeast, "
                "northwest, southeast, southwest)");
  }
  if (target != frame.topLeft()) {
    w->move(target);
  }
}

Handle WindowShell::cla() {
  graphics::Axes& axes = graphics::graphics().gca();
  graphics::graphics().removeChildren(axes);
  return axes.handle();
}

void WindowShell::runCallbackText(Handle, const std::string& text) {
  clearErrorStatus();
  try {
    CallExpression call = parseCallbackText(text);
    try {
      evaluate(call, 0);
    } catch (...) {
      reportError(describe(call), caughtMessage());
    }
  } catch (...) {
    reportError("Callback", caughtMessage());
  }
}

Value WindowShell::evaluate(const CallExpression& call, int nargout) {
  graphics::GraphicsSystem& g = graphics::graphics();
  if (call.args.empty()) {
    if (call.name == "gcbo") {
      return scalarValue(g.callbackObject());
    }
    if (call.name == "gcbf") {
      graphics::Figure* f = g.callbackFigure();
      return f ? scalarValue(f->handle()) : Value(Matrix(0, 0));
    }
    if (call.name == "gcf") {
      return scalarValue(g.gcf().handle());
    }
    if (call.name == "gca") {
      return scalarValue(g.gca().handle());
    }
  }
  std::vector<Value> args;
  for (const CallArgument& a : call.args) {
    if (const Value* v = std::get_if<Value>(&a.content)) {
      args.push_back(*v);
    } else {
      args.push_back(evaluate(*std::get<std::shared_ptr<CallExpression>>(a.content), 1));
    }
  }
  std::vector<Value> results = m_table.call(call.name, args, nargout);
  return results.empty() ? Value(Matrix(0, 0)) : results.front();
}

std::string WindowShell::describe(const CallExpression& call) const {
  if (call.name == "mezeysw" && !call.args.empty()) {
    if (const Value* v = std::get_if<Value>(&call.args[0].content)) {
      if (const std::string* s = std::get_if<std::string>(v)) {
        return actionLabel(*s);
      }
    }
  }
  return call.name;
}

void WindowShell::reportError(const std::string& what, const std::string& message) {
  m_host.consoleWrite(displayText(message, true) + "\n");
  showStatus(what + " failed: " + message, true);
  if (m_errorSink) {
    m_errorSink(what, displayText(message, true));
  }
}

void WindowShell::clearErrorStatus() {
  graphics::Figure* target = mainWindowFigure();
  if (target && statusLineIsError(target->window())) {
    showStatusLine(target->window(), "", false);
  }
}

graphics::Figure* WindowShell::mainWindowFigure() const {
  graphics::GraphicsSystem& g = graphics::graphics();
  graphics::Figure* target = g.callbackFigure();
  if (!isMainWindow(target)) {
    target = nullptr;
    std::vector<graphics::Figure*> figures = g.figures();
    for (auto it = figures.rbegin(); it != figures.rend() && !target; ++it) {
      if (isMainWindow(*it)) {
        target = *it;
      }
    }
  }
  return target;
}

void WindowShell::showStatus(const std::string& text, bool error) {
  if (graphics::Figure* target = mainWindowFigure()) {
    showStatusLine(target->window(), displayText(text, false), error);
  }
}

}  // namespace vexmoor
