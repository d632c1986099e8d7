#include "api/background_run.h"

namespace vexmoor {

class BackgroundRun::Watch : public vexmoor::Progress {
 public:
  explicit Watch(BackgroundRun& run) : m_run(run) {}
  void report(std::int64_t done, std::int64_t total) override {
    std::lock_guard lock(m_run.m_mutex);
    m_run.m_progress = {done, total};
  }
  bool cancelRequested() const override {
    std::lock_guard lock(m_run.m_mutex);
    return m_run.m_cancel;
  }

 private:
  BackgroundRun& m_run;
};

class BackgroundRun::BufferHost : public Host {
 public:
  explicit BufferHost(BackgroundRun& run) : m_run(run) {}
  bool consoleEnabled() const override { return m_run.m_console; }
  void consoleWrite(std::string_view text) override {
    std::lock_guard lock(m_run.m_mutex);
    m_run.m_consoleText += text;
  }
  void messageBox(std::string_view text) override {
    std::lock_guard lock(m_run.m_mutex);
    m_run.m_warnings.emplace_back(text);
  }

 private:
  BackgroundRun& m_run;
};

BackgroundRun::BackgroundRun(RunGroups groups, RunSettings settings, bool console)
    : m_console(console) {
  m_thread = std::thread(&BackgroundRun::work, this, std::move(groups), std::move(settings));
}

BackgroundRun::~BackgroundRun() {
  cancel();
  if (m_thread.joinable()) {
    m_thread.join();
  }
}

void BackgroundRun::work(RunGroups groups, RunSettings settings) {
  Watch watch(*this);
  BufferHost host(*this);
  RunOutput output;
  std::exception_ptr error;
  try {
    output = runAnalysis(groups, settings, host, &watch);
  } catch (...) {
    error = std::current_exception();
  }
  {
    std::lock_guard lock(m_mutex);
    m_output = std::move(output);
    m_error = error;
    m_done = true;
  }
  m_ended.notify_all();
}

bool BackgroundRun::waitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_mutex);
  return m_ended.wait_for(lock, timeout, [this] { return m_done; });
}

void BackgroundRun::cancel() {
  std::lock_guard lock(m_mutex);
  m_cancel = true;
}

bool BackgroundRun::cancelled() const {
  std::lock_guard lock(m_mutex);
  return m_cancel;
}

BackgroundRun::Progress BackgroundRun::progress() const {
  std::lock_guard lock(m_mutex);
  return m_progress;
}

std::vector<std::string> BackgroundRun::takeWarnings() {
  std::lock_guard lock(m_mutex);
  return std::exchange(m_warnings, {});
}

std::string BackgroundRun::takeConsole() {
  std::lock_guard lock(m_mutex);
  return std::exchange(m_consoleText, {});
}

RunOutput BackgroundRun::take() {
  if (m_thread.joinable()) {
    m_thread.join();
  }
  if (m_error) {
    std::rethrow_exception(m_error);
  }
  return std::move(m_output);
}

}  // namespace vexmoor
