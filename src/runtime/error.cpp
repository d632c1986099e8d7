#include "runtime/error.h"

namespace vexmoor {

void rethrowWithContext(const std::string& context, const Error& e) {
  throw Error(context + ": " + e.what());
}

}  // namespace vexmoor
