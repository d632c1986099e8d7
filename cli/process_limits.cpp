#include "process_limits.h"

#include <sched.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <new>

namespace vexmoor {
namespace {

std::string g_activity = "starting";
bool g_pipeHadDefaultAction = true;

// OpenBLAS starts its pool of threads while it is loaded, before main(),
// one for each processor it may use: under a thread limit (ulimit -u) it
// then prints its complaint and sends the process SIGINT, and a worker of
// the pool can keep exit() waiting when memory runs out. The analyses keep
// LAPACK to one thread anyway, so the pool is never wanted. OpenBLAS counts
// the processors once, by the process's affinity, and the environment
// cannot be changed this early (the C library resets it), so the libraries
// start on one processor: an executable's preinit functions run before any
// library's initialisers, and main() gives the process its processors back.
cpu_set_t g_processors;
bool g_processorsNarrowed = false;

void startLibrariesOnOneProcessor(int, char**, char**) {
  if (::sched_getaffinity(0, sizeof g_processors, &g_processors) != 0) {
    return;
  }
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &g_processors)) {
      cpu_set_t one;
      CPU_ZERO(&one);
      CPU_SET(cpu, &one);
      g_processorsNarrowed = ::sched_setaffinity(0, sizeof one, &one) == 0;
      return;
    }
  }
}
__attribute__((section(".preinit_array"),
               used)) void (*kStartLibrariesOnOneProcessor)(int, char**,
                                                            char**) = startLibrariesOnOneProcessor;

[[noreturn]] void onTerminate() {
  if (std::exception_ptr e = std::current_exception()) {
    try {
      std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
      endOutOfMemory();
    } catch (...) {
    }
  }
  endAtOnce("unexpected failure while " + g_activity);
}

}  // namespace

void guardAgainstSilentEnds() {
  if (g_processorsNarrowed) {
    ::sched_setaffinity(0, sizeof g_processors, &g_processors);
  }
  struct sigaction previous;
  if (::sigaction(SIGPIPE, nullptr, &previous) == 0) {
    g_pipeHadDefaultAction = previous.sa_handler == SIG_DFL;
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  std::set_terminate(onTerminate);
}

void setActivity(std::string doing) {
  g_activity = std::move(doing);
}

const std::string& activity() {
  return g_activity;
}

void endAtOnce(const std::string& line) {
  std::string text = "error: " + line + "\n";
  [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
  ::_exit(1);
}

void endOutOfMemory() {
  // No allocation of its own: there may be none to be had.
  static const char kStart[] = "error: out of memory while ";
  [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, kStart, sizeof kStart - 1);
  n = ::write(STDERR_FILENO, g_activity.data(), g_activity.size());
  n = ::write(STDERR_FILENO, "\n", 1);
  ::_exit(1);
}

int endOnBrokenPipe() {
  if (g_pipeHadDefaultAction) {
    std::signal(SIGPIPE, SIG_DFL);
    std::raise(SIGPIPE);
  }
  return 1;
}

}  // namespace vexmoor
