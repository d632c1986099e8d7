#include "interrupt.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace vexmoor {
namespace {

std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

struct sigaction g_previousInt, g_previousTerm;

extern "C" void onInterrupt(int sig) {
  g_signal.store(sig);
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
  err << "error: interrupted by " << (sig == SIGTERM ? "SIGTERM" : "SIGINT")
      << "; the analysis stopped and no result was written\n";
  return 128 + sig;
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
