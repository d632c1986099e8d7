// The by-name table: every operation that a layout callback (or a test) may
// call by name, with its declared counts of inputs and outputs (-1: any).
//
// The table declares the system's operations in a fixed order; each front end
// binds the implementations it has. A call checks the counts before it runs
// anything, outputs first, and stops with the runtime's message:
//   Run-time Error: File: getpsup Line: 1 Column: 1 The function "getpsup"
//   was called with more than the declared number of outputs (1).
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/value.h"

namespace vexmoor {

struct OperationDeclaration {
  std::string_view name;
  int inputs;   // -1: any number
  int outputs;  // -1: any number
  int column;   // the column the runtime names in its messages
};

// Runs an operation: `args` as given (at most the declared count), `nargout`
// the number of results asked for (0 when the caller takes only the answer).
// Returns at least min(nargout, declared) values, or more, which are cut.
using Operation = std::function<std::vector<Value>(std::span<const Value> args, int nargout)>;

class OperationTable {
 public:
  OperationTable();

  // All declared operations in the table's order.
  std::span<const OperationDeclaration> declarations() const;
  const OperationDeclaration* find(std::string_view name) const;

  // Binds an implementation to a declared name (asserts that it is declared).
  void bind(std::string_view name, Operation op);
  bool isBound(std::string_view name) const;

  // Calls `name` with `args`, asking for `nargout` results. Throws
  // vexmoor::Error with the runtime message on a count violation, for an
  // unknown name, or for a declared operation this front end did not bind.
  std::vector<Value> call(std::string_view name, std::span<const Value> args,
                          int nargout = 0) const;

 private:
  std::vector<Operation> m_ops;  // parallel to declarations()
};

// The runtime's message for a call with too many arguments or results.
std::string argumentCountMessage(const OperationDeclaration& d, bool outputs);
// The runtime's message for an input that has no value.
std::string missingInputMessage(std::string_view op, std::string_view input);

// Checks that input `i` (0-based) was given; throws missingInputMessage.
const Value& requiredArg(std::span<const Value> args, size_t i, std::string_view op,
                         std::string_view input);

// Input `i` of `op` as a given kind: throws vexmoor::Error when it is
// missing or of another kind, naming the operation and the input.
const Matrix& matrixInput(std::span<const Value> args, size_t i, std::string_view op,
                          std::string_view input);
double scalarInput(std::span<const Value> args, size_t i, std::string_view op,
                   std::string_view input);
const std::string& textInput(std::span<const Value> args, size_t i, std::string_view op,
                             std::string_view input);
LandmarkArray landmarkArrayInput(std::span<const Value> args, size_t i, std::string_view op,
                                 std::string_view input);

}  // namespace vexmoor
