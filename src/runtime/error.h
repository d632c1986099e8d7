// The one exception type of the core. Messages are lower case without a final
// period and name the file, line, value or rule involved, so that callers can
// prefix context: `group 1 file "a.txt", line 7: "1.2.3" is not a number`.
#pragma once

#include <stdexcept>
#include <string>

namespace vexmoor {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Rethrows `e` with `context` and ": " in front of its message.
[[noreturn]] void rethrowWithContext(const std::string& context, const Error& e);

}  // namespace vexmoor
