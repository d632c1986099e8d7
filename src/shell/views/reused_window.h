// Windows of which the process shows one at a time (the histograms, the
// principal components, each help page): made on first use, shown again
// rather than made anew, and kept when the user closes them.
#pragma once

#include <QPointer>
#include <QWidget>

namespace vexmoor {

// The window `held` points to; made with `make()` when there is none yet
// (or it was destroyed with its parent). `make` returns a new top-level
// window, which closing then hides rather than deletes.
template <class Window, class Make>
Window& reusedWindow(QPointer<Window>& held, Make make) {
  if (!held) {
    held = make();
    held->setAttribute(Qt::WA_DeleteOnClose, false);
  }
  return *held;
}

}  // namespace vexmoor
