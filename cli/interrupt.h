// SIGINT and SIGTERM for the batch front end: the first one asks the
// running analysis to stop (the resampling engine polls cancelRequested()
// several times a second), so that the process ends with a message and no
// result instead of dying mid-write. A second signal ends the process at
// once, as if no handler were installed.
#pragma once

#include <cstdint>
#include <ostream>

#include "runtime/progress.h"

namespace vexmoor {

class InterruptWatch : public Progress {
 public:
  // Installs the handlers; the destructor restores the previous ones.
  InterruptWatch();
  ~InterruptWatch() override;
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  void report(std::int64_t, std::int64_t) override {}
  bool cancelRequested() const override { return signalNumber() != 0; }

  // The signal received, 0 when none.
  static int signalNumber();
  // Writes the one-line message and returns the exit status 128 + signal.
  static int reportInterrupted(std::ostream& err);

  // While one lives, a signal ends the process at once with the message:
  // for steps with no point to look for a request (reading the input
  // files), which have written nothing that could be left half done.
  // Throws Cancelled when a signal came before it.
  class EndAtOnce {
   public:
    EndAtOnce();
    ~EndAtOnce();
    EndAtOnce(const EndAtOnce&) = delete;
    EndAtOnce& operator=(const EndAtOnce&) = delete;
  };

  // A named point of the run where tests provoke a race deterministically:
  // with VEXMOOR_TEST_STOP_AT=NAME the process stops itself here (SIGSTOP)
  // until it is continued; with VEXMOOR_TEST_INTERRUPT_AT=NAME it sends
  // itself SIGINT here. Does nothing otherwise.
  static void testPoint(const char* name);
};

}  // namespace vexmoor
