#include "api/background_run.h"

#include <algorithm>

namespace vexmoor {

class BackgroundRun::Watch : public vexmoor::Progress {
 public:
  explicit Watch(BackgroundRun& run) : m_run(run) {}
  void report(std::int64_t done, std::int64_t total) override {
    std::lock_guard lock(m_run.m_mutex);
    m_run.m_progress.done = done;
    m_run.m_progress.total = total;
  }
  bool cancelRequested() const override {
    std::lock_guard lock(m_run.m_mutex);
    return m_run.m_cancel;
  }
  void describe(std::string_view text) override {
    std::lock_guard lock(m_run.m_mutex);
    m_run.m_progress.doing = text;
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
    std::vector<Said>& said = m_run.m_said;
    if (said.empty() || said.back().kind != Said::Kind::kConsole) {
      said.push_back({Said::Kind::kConsole, ""});
    }
    said.back().text += text;
  }
  void messageBox(std::string_view text) override {
    std::lock_guard lock(m_run.m_mutex);
    m_run.m_said.push_back({Said::Kind::kMessage, std::string(text)});
  }
  void waitForKey() override {
    if (m_run.m_console) {
      std::lock_guard lock(m_run.m_mutex);
      m_run.m_said.push_back({Said::Kind::kKeyWait, ""});
    }
  }

 private:
  BackgroundRun& m_run;
};

BackgroundRun::BackgroundRun(RunGroups groups, RunSettings settings, bool console)
    : BackgroundRun(
          [groups = std::move(groups), settings = std::move(settings)](
              Host& host, vexmoor::Progress& progress) {
            return runAnalysis(groups, settings, host, &progress);
          },
          console) {}

BackgroundRun::BackgroundRun(Work work, bool console) : m_console(console) {
  m_thread = std::thread(&BackgroundRun::work, this, std::move(work));
}

BackgroundRun::~BackgroundRun() {
  cancel();
  if (m_thread.joinable()) {
    m_thread.join();
  }
}

void BackgroundRun::work(const Work& work) {
  Watch watch(*this);
  BufferHost host(*this);
  RunOutput output;
  std::exception_ptr error;
  try {
    output = work(host, watch);
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
  std::vector<std::string> warnings;
  for (Said& s : m_said) {
    if (s.kind == Said::Kind::kMessage) {
      warnings.push_back(std::move(s.text));
    }
  }
  std::erase_if(m_said, [](const Said& s) { return s.kind == Said::Kind::kMessage; });
  return warnings;
}

void BackgroundRun::relay(Host& host) {
  std::vector<Said> said;
  {
    std::lock_guard lock(m_mutex);
    said.swap(m_said);
  }
  // Outside the lock: the host may take its time, the run goes on.
  for (const Said& s : said) {
    switch (s.kind) {
      case Said::Kind::kConsole:
        host.consoleWrite(s.text);
        break;
      case Said::Kind::kMessage:
        host.messageBox(s.text);
        break;
      case Said::Kind::kKeyWait:
        host.waitForKey();
        break;
    }
  }
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
