#include "actions/replicate_table.h"

#include <charconv>
#include <cmath>

#include "io/table_file.h"

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

// One row per replicate, each after `prefix`: the replicate number, then
// its values.
void appendRows(std::string& out, const std::string& prefix, const Matrix& v) {
  out.reserve(out.size() + static_cast<size_t>(v.rows()) *
                               (prefix.size() + 8 + 24 * static_cast<size_t>(v.cols())));
  for (Index i = 0; i < v.rows(); ++i) {
    out += prefix;
    out += std::to_string(i + 1);
    for (Index c = 0; c < v.cols(); ++c) {
      out += ',';
      appendNumber(out, v(i, c));
    }
    out += '\n';
  }
}

void appendColumnNames(std::string& out, const ResamplingResult& result) {
  for (const std::string& name : result.columns) {
    out += "," + name;
  }
  out += '\n';
}

}  // namespace

std::string replicateCsv(const ResamplingResult& result) {
  std::string out = "replicate";
  appendColumnNames(out, result);
  appendRows(out, "", result.values);
  return out;
}

std::string pairwiseReplicateHeader(const ResamplingResult& result) {
  std::string out = "group_a,group_b,replicate";
  appendColumnNames(out, result);
  return out;
}

std::string pairReplicateRows(const GroupComparison& comparison, const GroupPair& pair,
                              const ResamplingResult& result) {
  std::string out;
  appendRows(out,
             fieldText(comparison.names[pair.first], ',') + ',' +
                 fieldText(comparison.names[pair.second], ',') + ',',
             result.values);
  return out;
}

}  // namespace vexmoor
