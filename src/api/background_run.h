// An analysis run on a thread of its own, for front ends whose own thread
// must stay responsive (an R console, a Python interpreter): the caller
// waits in short steps, shows progress, polls its user's interrupt and
// cancels. Warnings and console text the run produces are kept for the
// caller's thread, which alone may hand them to its user.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "api/analysis_run.h"

namespace vexmoor {

class BackgroundRun {
 public:
  // Starts the run at once; `console` keeps the console diagnostics.
  BackgroundRun(RunGroups groups, RunSettings settings, bool console = false);
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
  };
  Progress progress() const;
  // The warnings (message boxes) and console text since the last call.
  std::vector<std::string> takeWarnings();
  std::string takeConsole();

  // Once ended: the output; rethrows the run's exception (vexmoor::Error,
  // Cancelled, std::bad_alloc, ...).
  RunOutput take();

 private:
  class Watch;
  class BufferHost;
  void work(RunGroups groups, RunSettings settings);

  mutable std::mutex m_mutex;
  std::condition_variable m_ended;
  bool m_done = false;
  bool m_cancel = false;
  bool m_console = false;
  Progress m_progress;
  std::vector<std::string> m_warnings;
  std::string m_consoleText;
  RunOutput m_output;
  std::exception_ptr m_error;
  std::thread m_thread;
};

}  // namespace vexmoor
