#include "actions/replicate_table.h"

#include <charconv>
#include <cmath>

namespace vexmoor {
namespace {

void appendNumber(std::string& out, double v) {
  if (std::isnan(v)) {
    out += "NaN";
  } else if (std::isinf(v)) {
    out += v > 0 ? "Inf" : "-Inf";
  } else {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, end);
  }
}

}  // namespace

std::string replicateCsv(const ResamplingResult& result) {
  std::string out = "replicate";
  for (const std::string& name : result.columns) {
    out += "," + name;
  }
  out += '\n';
  const Matrix& v = result.values;
  out.reserve(out.size() +
              static_cast<size_t>(v.rows()) * (8 + 24 * static_cast<size_t>(v.cols())));
  for (Index i = 0; i < v.rows(); ++i) {
    out += std::to_string(i + 1);
    for (Index c = 0; c < v.cols(); ++c) {
      out += ',';
      appendNumber(out, v(i, c));
    }
    out += '\n';
  }
  return out;
}

}  // namespace vexmoor
