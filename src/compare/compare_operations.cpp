#include "compare/compare_operations.h"

#include <cmath>

#include "compare/subspace_angle.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

using Args = std::span<const Value>;

int componentsArg(Args a, std::string_view op) {
  double k = scalarInput(a, 2, op, "ntraits");
  // The bound keeps the conversion to int defined; the statistics check k
  // against the number of variables.
  if (!std::isfinite(k) || k != std::floor(k) || std::fabs(k) > 1e9) {
    throw Error(std::string(op) + ": the number of components must be a whole number");
  }
  return static_cast<int>(k);
}

}  // namespace

void bindCompareOperations(OperationTable& t, Host& host) {
  t.bind("mezeyangle", [&host](Args a, int) -> std::vector<Value> {
    MezeyAngle r =
        mezeyangle(matrixInput(a, 0, "mezeyangle", "x1"), matrixInput(a, 1, "mezeyangle", "x2"),
                   componentsArg(a, "mezeyangle"), host);
    return {scalarValue(r.angle), scalarValue(r.maxAngle), scalarValue(r.runtimeAngle)};
  });
  t.bind("krzanangle", [&host](Args a, int) -> std::vector<Value> {
    KrzanowskiAngle r =
        krzanangle(matrixInput(a, 0, "krzanangle", "x1"), matrixInput(a, 1, "krzanangle", "x2"),
                   componentsArg(a, "krzanangle"), host);
    return {scalarValue(r.angle), scalarValue(r.metric), scalarValue(r.runtimeAngle)};
  });
}

}  // namespace vexmoor
