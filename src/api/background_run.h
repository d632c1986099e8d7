// An analysis run on a thread of its own, for front ends whose own thread
// must stay responsive (an R console, a Python interpreter, the window):
// the caller waits in short steps, shows progress, polls its user's
// interrupt and cancels. What the run says to its host (console text,
// warnings, key waits) is kept for the caller's thread, which alone may
// hand it to its user.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "api/analysis_run.h"

namespace vexmoor {

class BackgroundRun {
 public:
  // The work of a run: runAnalysis, or a front end's own steps around it,
  // given the run's host and progress.
  using Work = std::function<RunOutput(Host& host, vexmoor::Progress& progress)>;

  // Starts runAnalysis on `groups` and `settings` at once; `console` keeps
  // the console diagnostics and the key waits (see relay).
  BackgroundRun(RunGroups groups, RunSettings settings, bool console = false);
  // Starts `work` at once, likewise.
  explicit BackgroundRun(Work work, bool console = false);
  // Cancels a run still going and waits for it.
  ~BackgroundRun();
  BackgroundRun(const BackgroundRun&) = delete;
  BackgroundRun& operator=(const BackgroundRun&) = delete;

  // Waits at most `timeout`; true once the run has ended (with a result,
  // an error or cancelled).
  bool waitFor(std::chrono::milliseconds timeout);
  // Asks the run to stop; it ends within a fraction of a second.
  void cancel();
  bool cancelled() const;

  struct Progress {
    std::int64_t done = 0, total = 0;  // total 0: nothing reported yet
    std::string doing;                 // what the work says it is doing; may be empty
  };
  Progress progress() const;
  // The warnings (message boxes) since the last call.
  std::vector<std::string> takeWarnings();
  // Passes what the run said to its host since the last call (and was not
  // taken by takeWarnings) on to `host`, in the order it was said: console
  // text, message boxes and key waits. On the thread that owns `host`.
  void relay(Host& host);

  // Once ended: the output; rethrows the run's exception (vexmoor::Error,
  // Cancelled, std::bad_alloc, ...).
  RunOutput take();

 private:
  class Watch;
  class BufferHost;
  // One thing the run said to its host.
  struct Said {
    enum class Kind { kConsole, kMessage, kKeyWait } kind;
    std::string text;
  };
  void work(const Work& work);

  mutable std::mutex m_mutex;
  std::condition_variable m_ended;
  bool m_done = false;
  bool m_cancel = false;
  bool m_console = false;
  Progress m_progress;
  std::vector<Said> m_said;
  RunOutput m_output;
  std::exception_ptr m_error;
  std::thread m_thread;
};

}  // namespace vexmoor
