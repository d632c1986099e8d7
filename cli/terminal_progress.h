// Progress of a long run on standard error while it is a terminal: after
// the first seconds one line, rewritten in place at most twice a second,
// with what the run is doing ("pair 12 of 19900", "sweep 40, φ changed by
// 2.1e-09"), the steps done of the total, the time so far and, where the
// total is known, an estimate of the time left. The line is cleared when
// the run ends, so that the result and any error line stand alone. Cancel
// requests are those of `cancel` (the interrupt watch).
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

#include "runtime/progress.h"

namespace vexmoor {

class TerminalProgress : public Progress {
 public:
  // `unit` names the steps ("replicates"); with `enabled` false nothing is
  // ever written.
  TerminalProgress(const Progress& cancel, std::ostream& out, bool enabled, std::string unit);
  ~TerminalProgress() override { finish(); }
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  void report(std::int64_t done, std::int64_t total) override;
  bool cancelRequested() const override { return m_cancel.cancelRequested(); }
  void describe(std::string_view text) override;
  // Clears the line, if one was written.
  void finish();

  // The line for the state given: "pair 3 of 45; 250 of 4,500 replicates;
  // 0:12 elapsed, about 3:36 left".
  static std::string line(std::string_view doing, std::int64_t done, std::int64_t total,
                          std::string_view unit, double elapsedSeconds);

 private:
  using Clock = std::chrono::steady_clock;
  void drawWhenDue();

  const Progress& m_cancel;
  std::ostream& m_out;
  const bool m_enabled;
  const std::string m_unit;
  std::mutex m_mutex;
  const Clock::time_point m_start = Clock::now();
  Clock::time_point m_lastDraw{};
  std::string m_doing;
  std::int64_t m_done = 0, m_total = 0;
  bool m_drawn = false;
};

// "replicates" for the resampling tests, "" for the others.
std::string progressUnit(std::string_view action);

}  // namespace vexmoor
