// A group read on a thread of its own, for front ends whose own thread must
// stay responsive to its user's interrupt (an R console, a Python
// interpreter). A read may block for as long as its file lets it (a FIFO
// nobody writes, a stalled network file system) and cannot be cancelled:
// the caller waits in short steps and may abandon it, and an abandoned read
// ends on its own whenever the file lets it, its result dropped.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "api/input_groups.h"

namespace vexmoor {

class BackgroundRead {
 public:
  // Starts readGroupCoordinates(path, dimension, missing) at once. The
  // reading thread takes no signals: they reach the caller's threads.
  BackgroundRead(std::string path, std::optional<int> dimension,
                 MissingValues missing = MissingValues::kRefuse);
  // Abandons a read still going.
  ~BackgroundRead();
  BackgroundRead(const BackgroundRead&) = delete;
  BackgroundRead& operator=(const BackgroundRead&) = delete;

  // Waits at most `timeout`; true once the read has ended.
  bool waitFor(std::chrono::milliseconds timeout);
  // Once ended: the group, with the warnings the reading gave in
  // `warnings`; rethrows the reading's exception (vexmoor::Error, ...).
  GroupCoordinates take(std::vector<std::string>& warnings);

 private:
  struct State;
  std::shared_ptr<State> m_state;
};

}  // namespace vexmoor
