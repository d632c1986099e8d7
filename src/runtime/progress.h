// Progress of long computations, and the user's wish to cancel them.
#pragma once

#include <cstdint>
#include <exception>
#include <string_view>

namespace vexmoor {

class Progress {
 public:
  virtual ~Progress() = default;
  // `done` of `total` steps are finished; total 0 when the work has no
  // known end (iterations until convergence). May be called from worker
  // threads; implementations must be thread-safe.
  virtual void report(std::int64_t done, std::int64_t total) = 0;
  // True once the user asked to stop. Thread-safe.
  virtual bool cancelRequested() const = 0;
  // What the work is doing, for a status line: "pair 3 of 45", "sweep 12,
  // φ changed by 3.1e-05". Thread-safe; ignored unless implemented.
  virtual void describe(std::string_view) {}
};

// Thrown when a computation stops because cancellation was requested; the
// caller then changes nothing.
class Cancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "cancelled"; }
};

// For long computations, at least every 0.1 s of their work: throws
// Cancelled when `progress` (may be null) asks to stop.
inline void throwIfCancelled(const Progress* progress) {
  if (progress && progress->cancelRequested()) {
    throw Cancelled();
  }
}

}  // namespace vexmoor
