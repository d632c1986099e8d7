// Builds a window from a layout file: a Qt Designer form (.ui XML). Each
// control's object name is its Tag; a dynamic property "Callback" holds the
// text run when the control is used (see GraphicsSystem::runCallback); a
// widget with the dynamic property "Type" set to "axes" holds an axes.
#pragma once

#include <string>

#include "graphics/figure.h"

namespace vexmoor::graphics {

// Loads the layout at `path` as a new window, registers its controls and
// axes, and makes it current (the window is not shown yet). Throws
// vexmoor::Error naming the file when it cannot be read or is not a form.
Figure& loadLayoutWindow(const std::string& path);

}  // namespace vexmoor::graphics
