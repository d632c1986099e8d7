// Running long analyses: off the GUI thread behind a modal progress dialog
// with Cancel, so that the window keeps painting while no other action can
// start.
#pragma once

#include <functional>
#include <string>

#include "api/analysis_run.h"
#include "runtime/host.h"
#include "runtime/progress.h"

namespace vexmoor {

// A long analysis, given the host and the progress to use.
using LongWork = std::function<RunOutput(Host& host, Progress& progress)>;

class LongActionRunner {
 public:
  virtual ~LongActionRunner() = default;
  // Runs `work` and returns its output, or rethrows what it threw
  // (vexmoor::Cancelled after the user cancelled). What the work says to
  // its host reaches `host` on the calling thread, in order. `label` names
  // the work for the user.
  virtual RunOutput run(const std::string& label, const LongWork& work, Host& host) = 0;
};

// Runs the work on the calling thread, with a progress nobody cancels.
class InlineRunner : public LongActionRunner {
 public:
  RunOutput run(const std::string& label, const LongWork& work, Host& host) override;
};

// Runs the work as a BackgroundRun while a modal progress dialog shows the
// steps done; Cancel asks the work to stop. The GUI thread handles events
// meanwhile, passes on what the work says to its host a few times a
// second, and returns only when the work has ended.
class ProgressDialogRunner : public LongActionRunner {
 public:
  RunOutput run(const std::string& label, const LongWork& work, Host& host) override;
};

}  // namespace vexmoor
