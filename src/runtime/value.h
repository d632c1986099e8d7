// Dynamic values for operations called by name: a matrix (numbers, handles
// and logical values alike), a text, a landmark array or a record of named
// fields.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "runtime/landmark_array.h"
#include "runtime/matrix.h"

namespace vexmoor {

// Named fields in insertion order (the handles record of a window, say).
struct Record {
  std::vector<std::pair<std::string, Matrix>> fields;

  const Matrix* find(std::string_view name) const;
  // Appends `value` as a column to the field `name`, creating it first.
  void append(std::string_view name, double value);
};

using Value = std::variant<Matrix, std::string, LandmarkArray, Record>;

Value scalarValue(double v);
Value textValue(std::string_view s);

// Typed access for operations: each throws vexmoor::Error naming the
// operation and the input when the value has the wrong kind.
const Matrix& matrixArg(const Value& v, std::string_view op, std::string_view input);
double scalarArg(const Value& v, std::string_view op, std::string_view input);
const std::string& textArg(const Value& v, std::string_view op, std::string_view input);
// A landmark array, or a single k × d matrix taken as one specimen.
LandmarkArray landmarkArrayArg(const Value& v, std::string_view op, std::string_view input);

}  // namespace vexmoor
