#include "shell/layout/gui_operations.h"

#include <string>

#include "graphics/graphics_system.h"
#include "plot/copy_big_image.h"
#include "plot/plot_styling.h"
#include "plot/showshape.h"
#include "shell/layout/identifiers.h"

namespace vexmoor {
namespace {

using Args = std::span<const Value>;
using Results = std::vector<Value>;

Value logical(bool b) {
  return scalarValue(b ? 1 : 0);
}

void bindStyling(OperationTable& t) {
  t.bind("setsymbolfill", [](Args a, int) -> Results {
    setsymbolfill(scalarInput(a, 0, "setsymbolfill", "handle"),
                  scalarInput(a, 1, "setsymbolfill", "isfilled"));
    return {};
  });
  t.bind("incrementsymbolsize", [](Args a, int) -> Results {
    incrementsymbolsize(scalarInput(a, 0, "incrementsymbolsize", "handle"),
                        scalarInput(a, 1, "incrementsymbolsize", "increment"));
    return {};
  });
  t.bind("incrementlinethickness", [](Args a, int) -> Results {
    incrementlinethickness(scalarInput(a, 0, "incrementlinethickness", "fighandle"),
                           scalarInput(a, 1, "incrementlinethickness", "weight"));
    return {};
  });
  t.bind("setlinethickness", [](Args a, int) -> Results {
    setlinethickness(scalarInput(a, 0, "setlinethickness", "handle"),
                     scalarInput(a, 1, "setlinethickness", "vlinewidth"));
    return {};
  });
  t.bind("setsymbolbw", [](Args a, int) -> Results {
    setsymbolbw(scalarInput(a, 0, "setsymbolbw", "handle"));
    return {};
  });
}

void bindPlots(OperationTable& t) {
  t.bind("showshape", [](Args a, int) -> Results {
    const Matrix& x = matrixInput(a, 0, "showshape", "x");
    std::string xform = a.size() > 1 ? textArg(a[1], "showshape", "xform") : "k.";
    return {scalarValue(showshape(x, xform))};
  });
  t.bind("showshape3D", [](Args a, int) -> Results {
    LandmarkArray x = landmarkArrayInput(a, 0, "showshape3D", "x");
    showshape3D(x, textInput(a, 1, "showshape3D", "xform"));
    return {};
  });
  t.bind("CopyBigImage", [](Args, int) -> Results {
    CopyBigImage();
    return {};
  });
}

void bindShell(OperationTable& t, WindowShell& shell) {
  t.bind("Vexmoor", [&shell](Args a, int nargout) { return shell.Vexmoor(a, nargout); });
  t.bind("openfig", [&shell](Args a, int) -> Results {
    std::string policy = a.size() > 1 ? textArg(a[1], "openfig", "policy") : "new";
    return {scalarValue(shell.openfig(textInput(a, 0, "openfig", "filename"), policy))};
  });
  t.bind("guihandles", [&shell](Args a, int) -> Results {
    graphics::Handle h =
        a.empty() ? graphics::graphics().gcf().handle() : scalarArg(a[0], "guihandles", "h");
    return {shell.guihandles(h)};
  });
  t.bind("guidata", [&shell](Args a, int) -> Results {
    graphics::Handle h = scalarInput(a, 0, "guidata", "h");
    if (a.size() > 1) {
      shell.guidata(h, a[1]);
      return {};
    }
    return {shell.guidata(h)};
  });
  t.bind("movegui", [&shell](Args a, int) -> Results {
    size_t next = 0;
    graphics::Handle h = 0;
    if (!a.empty() && std::holds_alternative<Matrix>(a[0])) {
      h = scalarArg(a[0], "movegui", "h");
      next = 1;
    } else {
      graphics::Figure* f = graphics::graphics().callbackFigure();
      h = f ? f->handle() : graphics::graphics().gcf().handle();
    }
    std::string position = a.size() > next ? textArg(a[next], "movegui", "position") : "onscreen";
    shell.movegui(h, position);
    return {};
  });
  t.bind("cla", [&shell](Args, int) -> Results { return {scalarValue(shell.cla())}; });
  t.bind("isvarname", [](Args a, int) -> Results {
    const Value& v = requiredArg(a, 0, "isvarname", "s");
    const std::string* s = std::get_if<std::string>(&v);
    return {logical(s && isvarname(*s))};
  });
  t.bind("iskeyword", [](Args a, int) -> Results {
    if (a.empty()) {
      std::string list;
      for (std::string_view w : reservedWords()) {
        list += std::string(w) + "\n";
      }
      return {textValue(list)};
    }
    const std::string* s = std::get_if<std::string>(&a[0]);
    return {logical(s && iskeyword(*s))};
  });
}

}  // namespace

void bindGuiOperations(OperationTable& table, WindowShell& shell, Dispatcher& dispatcher) {
  bindStyling(table);
  bindPlots(table);
  bindShell(table, shell);
  table.bind("mezeysw", [&dispatcher](Args a, int) -> Results {
    dispatcher.mezeysw(textInput(a, 0, "mezeysw", "Action"));
    return {};
  });
  table.bind("mfload", [&dispatcher](Args, int) -> Results {
    std::optional<LoadedFile> file = dispatcher.mfload();
    if (!file) {
      return {};
    }
    return {file->input.group.data, textValue(file->name)};
  });
}

}  // namespace vexmoor
