#include "compare/analysis_input.h"
#include "runtime/error.h"

namespace vexmoor {

Matrix threeDimensionalScores(const Matrix&, const Matrix&, Host&) {
  throw Error("three-dimensional analyses are not available yet");
}

}  // namespace vexmoor
