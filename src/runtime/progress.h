// Progress of long computations, and the user's wish to cancel them.
#pragma once

#include <cstdint>
#include <exception>

namespace vexmoor {

class Progress {
 public:
  virtual ~Progress() = default;
  // `done` of `total` steps are finished. May be called from worker
  // threads; implementations must be thread-safe.
  virtual void report(std::int64_t done, std::int64_t total) = 0;
  // True once the user asked to stop. Thread-safe.
  virtual bool cancelRequested() const = 0;
};

// Thrown when a computation stops because cancellation was requested; the
// caller then changes nothing.
class Cancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "cancelled"; }
};

}  // namespace vexmoor
