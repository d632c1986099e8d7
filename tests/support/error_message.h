// The message of the vexmoor::Error that a call throws, for tests that check
// what the user is told.
#pragma once

#include <exception>
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

// Runs `f`; returns the message of any exception it throws, or "" when it
// returns normally.
template <typename F>
std::string anyErrorMessage(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

}  // namespace vexmoor::testing
