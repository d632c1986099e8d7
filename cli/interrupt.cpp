#include "interrupt.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace vexmoor {
namespace {

std::atomic<int> g_signal{0};
std::atomic<bool> g_endAtOnce{false};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

struct sigaction g_previousInt, g_previousTerm;

constexpr char kIntMessage[] =
    "error: interrupted by SIGINT; the analysis stopped and no result was written\n";
constexpr char kTermMessage[] =
    "error: interrupted by SIGTERM; the analysis stopped and no result was written\n";

// Only what is safe in a handler: write(2) and _exit(2).
[[noreturn]] void endNow(int sig) {
  const bool term = sig == SIGTERM;
  const ssize_t written = ::write(STDERR_FILENO, term ? kTermMessage : kIntMessage,
                                  term ? sizeof kTermMessage - 1 : sizeof kIntMessage - 1);
  static_cast<void>(written);
  ::_exit(128 + sig);
}

extern "C" void onInterrupt(int sig) {
  g_signal.store(sig);
  if (g_endAtOnce.load()) {
    endNow(sig);
  }
}

void install(int sig, struct sigaction* previous) {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  // One-shot: a second Ctrl-C finds the default action and ends the process.
  action.sa_flags = SA_RESETHAND;
  sigaction(sig, &action, previous);
}

}  // namespace

InterruptWatch::InterruptWatch() {
  g_signal.store(0);
  install(SIGINT, &g_previousInt);
  install(SIGTERM, &g_previousTerm);
}

InterruptWatch::~InterruptWatch() {
  sigaction(SIGINT, &g_previousInt, nullptr);
  sigaction(SIGTERM, &g_previousTerm, nullptr);
}

int InterruptWatch::signalNumber() {
  return g_signal.load();
}

int InterruptWatch::reportInterrupted(std::ostream& err) {
  int sig = signalNumber();
  err << (sig == SIGTERM ? kTermMessage : kIntMessage);
  return 128 + sig;
}

InterruptWatch::EndAtOnce::EndAtOnce() {
  g_endAtOnce.store(true);
  if (signalNumber() != 0) {
    g_endAtOnce.store(false);
    throw Cancelled();
  }
}

InterruptWatch::EndAtOnce::~EndAtOnce() {
  g_endAtOnce.store(false);
}

void InterruptWatch::testPoint(const char* name) {
  auto at = [name](const char* variable) {
    const char* value = std::getenv(variable);
    return value && std::strcmp(value, name) == 0;
  };
  if (at("VEXMOOR_TEST_STOP_AT")) {
    std::raise(SIGSTOP);
  }
  if (at("VEXMOOR_TEST_INTERRUPT_AT")) {
    // To this thread: the handler has run when raise() returns.
    std::raise(SIGINT);
  }
}

}  // namespace vexmoor
