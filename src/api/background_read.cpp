#include "api/background_read.h"

#include <pthread.h>
#include <signal.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace vexmoor {

// Shared with the reading thread, which may outlive the BackgroundRead.
struct BackgroundRead::State {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  GroupCoordinates group;
  std::vector<std::string> warnings;
  std::exception_ptr error;
};

namespace {

class CollectingHost : public Host {
 public:
  bool consoleEnabled() const override { return false; }
  void consoleWrite(std::string_view) override {}
  void messageBox(std::string_view text) override { warnings.emplace_back(text); }
  std::vector<std::string> warnings;
};

// Blocks every signal on the calling thread while it lives, so that a
// thread started meanwhile inherits the mask.
class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &m_saved);
  }
  ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &m_saved, nullptr); }
  SignalsBlocked(const SignalsBlocked&) = delete;
  SignalsBlocked& operator=(const SignalsBlocked&) = delete;

 private:
  sigset_t m_saved;
};

}  // namespace

BackgroundRead::BackgroundRead(std::string path, std::optional<int> dimension,
                               MissingValues missing)
    : m_state(std::make_shared<State>()) {
  SignalsBlocked blocked;
  std::thread([state = m_state, path = std::move(path), dimension, missing] {
    CollectingHost host;
    GroupCoordinates group;
    std::exception_ptr error;
    try {
      group = readGroupCoordinates(path, dimension, host, missing);
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard lock(state->mutex);
      state->group = std::move(group);
      state->warnings = std::move(host.warnings);
      state->error = error;
      state->done = true;
    }
    state->ended.notify_all();
  }).detach();
}

BackgroundRead::~BackgroundRead() = default;

bool BackgroundRead::waitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_state->mutex);
  return m_state->ended.wait_for(lock, timeout, [this] { return m_state->done; });
}

GroupCoordinates BackgroundRead::take(std::vector<std::string>& warnings) {
  std::unique_lock lock(m_state->mutex);
  m_state->ended.wait(lock, [this] { return m_state->done; });
  warnings = std::move(m_state->warnings);
  if (m_state->error) {
    std::rethrow_exception(m_state->error);
  }
  return std::move(m_state->group);
}

}  // namespace vexmoor
