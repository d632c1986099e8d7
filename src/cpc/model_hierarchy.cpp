#include "cpc/model_hierarchy.h"

#include "runtime/error.h"

namespace vexmoor {

std::string runCpcText(const AnalysisInput&, Host&) {
  throw Error("the common principal components analysis is not available yet");
}

}  // namespace vexmoor
