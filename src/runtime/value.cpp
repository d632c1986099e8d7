#include "runtime/value.h"

#include "runtime/error.h"

namespace vexmoor {
namespace {

[[noreturn]] void wrongKind(std::string_view op, std::string_view input, std::string_view want) {
  throw Error(std::string(op) + ": input \"" + std::string(input) + "\" must be " +
              std::string(want));
}

}  // namespace

const Matrix* Record::find(std::string_view name) const {
  for (const auto& [key, value] : fields) {
    if (key == name) {
      return &value;
    }
  }
  return nullptr;
}

void Record::append(std::string_view name, double value) {
  for (auto& [key, m] : fields) {
    if (key == name) {
      m.conservativeResize(1, m.cols() + 1);
      m(0, m.cols() - 1) = value;
      return;
    }
  }
  fields.emplace_back(std::string(name), Matrix::Constant(1, 1, value));
}

Value scalarValue(double v) {
  return Matrix::Constant(1, 1, v);
}

Value textValue(std::string_view s) {
  return std::string(s);
}

const Matrix& matrixArg(const Value& v, std::string_view op, std::string_view input) {
  if (const Matrix* m = std::get_if<Matrix>(&v)) {
    return *m;
  }
  wrongKind(op, input, "a numeric matrix");
}

double scalarArg(const Value& v, std::string_view op, std::string_view input) {
  const Matrix& m = matrixArg(v, op, input);
  if (m.size() != 1) {
    wrongKind(op, input, "a single number");
  }
  return m(0, 0);
}

const std::string& textArg(const Value& v, std::string_view op, std::string_view input) {
  if (const std::string* s = std::get_if<std::string>(&v)) {
    return *s;
  }
  wrongKind(op, input, "a text");
}

LandmarkArray landmarkArrayArg(const Value& v, std::string_view op, std::string_view input) {
  if (const LandmarkArray* a = std::get_if<LandmarkArray>(&v)) {
    return *a;
  }
  if (const Matrix* m = std::get_if<Matrix>(&v)) {
    return LandmarkArray(*m);
  }
  wrongKind(op, input, "a landmark array");
}

}  // namespace vexmoor
