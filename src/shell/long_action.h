// Running long computations: off the GUI thread behind a modal progress
// dialog with Cancel, so that the window keeps painting while no other
// action can start.
#pragma once

#include <functional>
#include <string>

#include "runtime/progress.h"

namespace vexmoor {

using LongWork = std::function<std::string(Progress& progress)>;

class LongActionRunner {
 public:
  virtual ~LongActionRunner() = default;
  // Runs `work` and returns its result, or rethrows what it threw
  // (vexmoor::Cancelled after the user cancelled). `label` names the work
  // for the user.
  virtual std::string run(const std::string& label, const LongWork& work) = 0;
};

// Runs the work on the calling thread, with a progress nobody cancels.
class InlineRunner : public LongActionRunner {
 public:
  std::string run(const std::string& label, const LongWork& work) override;
};

// Runs the work on a worker thread while a modal progress dialog shows the
// steps done; Cancel asks the work to stop. The GUI thread handles events
// meanwhile (the work's message boxes included) and returns only when the
// worker has ended.
class ProgressDialogRunner : public LongActionRunner {
 public:
  std::string run(const std::string& label, const LongWork& work) override;
};

}  // namespace vexmoor
