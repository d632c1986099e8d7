// The window shell: the window function `Vexmoor` with its placeholder
// callbacks, the window utilities (openfig, guihandles, guidata, movegui,
// cla), and the running of the layout's callback texts.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/figure.h"
#include "graphics/graphics_object.h"
#include "runtime/host.h"
#include "runtime/operation_table.h"
#include "runtime/value.h"
#include "shell/layout/callback_text.h"

namespace vexmoor {

using graphics::Handle;

class WindowShell {
 public:
  // `host` and `table` must outlive the shell. The layout file is looked
  // for in `layoutFolder` when its name has no folder.
  WindowShell(Host& host, const OperationTable& table, std::string layoutFolder);

  // With no argument: opens the main window (once), stores its handles
  // record with it and returns its handle when asked (nargout > 0). With a
  // text first: calls that callback or operation with the other arguments;
  // an error is reported (console and status line), not thrown. With
  // anything else first: nothing.
  std::vector<Value> Vexmoor(std::span<const Value> args, int nargout);

  // The 21 placeholder callbacks of the window function.
  static std::span<const std::string_view> placeholderCallbacks();

  // Opens a layout file ("name", "name.fig" or with a folder) as a window.
  // "new" always loads it again; "reuse" shows the window already open.
  // Throws vexmoor::Error for another policy, an extension other than
  // ".fig", or a layout that cannot be read.
  Handle openfig(const std::string& filename, const std::string& policy = "new");
  // One field per valid-identifier Tag of the window holding `h`.
  Record guihandles(Handle h) const;
  void guidata(Handle h, const Value& data);
  Value guidata(Handle h) const;
  // Moves the window holding `h` to `position` ("onscreen", "center",
  // "north", ..., "southwest").
  void movegui(Handle h, std::string_view position);
  // Removes the plots of the current axes; returns the axes.
  Handle cla();

  // Runs a layout callback text (the graphics layer's callback handler).
  // Errors are reported, not thrown.
  void runCallbackText(Handle object, const std::string& text);

  // A failed step: the message goes to the console, as "<what> failed:
  // <message>" to the status line of the main window, and to the error
  // sink.
  void reportError(const std::string& what, const std::string& message);
  void setErrorSink(std::function<void(const std::string& what, const std::string& message)> sink) {
    m_errorSink = std::move(sink);
  }
  // A line of status in the main window (red for errors); raw bytes in it
  // are shown escaped.
  void showStatus(const std::string& text, bool error);
  // Clears the status line if it shows an error: the next action starts
  // afresh and leaves its own line, or none.
  void clearErrorStatus();
  // The main window (the callback's when it is one), or null.
  graphics::Figure* mainWindowFigure() const;

 private:
  Value evaluate(const CallExpression& call, int nargout);
  std::string describe(const CallExpression& call) const;
  std::string layoutPath(const std::string& folder, const std::string& name) const;

  Host& m_host;
  const OperationTable& m_table;
  std::string m_layoutFolder;
  std::function<void(const std::string&, const std::string&)> m_errorSink;
};

}  // namespace vexmoor
