#include "cpc/cpc_operations.h"

#include "cpc/flury_loglike.h"

namespace vexmoor {
namespace {

using Args = std::span<const Value>;

const Matrix& in(Args args, size_t i, std::string_view op, std::string_view name) {
  return matrixArg(requiredArg(args, i, op, name), op, name);
}

}  // namespace

void bindCpcOperations(OperationTable& t, Host&) {
  t.bind("fluryloglike", [](Args a, int) -> std::vector<Value> {
    const char* op = "fluryloglike";
    return {scalarValue(fluryloglike(in(a, 0, op, "s1"), in(a, 1, op, "s2"), in(a, 2, op, "s"),
                                     scalarArg(requiredArg(a, 3, op, "n1"), op, "n1"),
                                     scalarArg(requiredArg(a, 4, op, "n2"), op, "n2")))};
  });
}

}  // namespace vexmoor
