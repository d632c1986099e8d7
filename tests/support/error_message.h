// The message of the vexmoor::Error that a call throws, for tests that check
// what the user is told.
#pragma once

#include <string>

#include "runtime/error.h"

namespace vexmoor::testing {

// Runs `f`; returns the message of the vexmoor::Error it throws, or
// "<no error>" when it returns normally. Other exceptions pass through.
template <typename F>
std::string errorMessage(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "<no error>";
}

}  // namespace vexmoor::testing
