#include "analyses/replicate_table.h"

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

// Row `i` of a pairwise table: the two group names, quoted where needed.
std::string pairPrefix(const ReplicateColumns& c, size_t i) {
  return fieldText(c.groupA[i], ',') + ',' + fieldText(c.groupB[i], ',') + ',';
}

}  // namespace

void appendReplicateNumber(std::string& out, double v) {
  appendNumber(out, v);
}

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

ReplicateColumns replicateColumns(const ResamplingResult& result) {
  ReplicateColumns c;
  c.names = result.columns;
  c.values = result.values;
  for (Index i = 1; i <= result.values.rows(); ++i) {
    c.replicate.push_back(i);
  }
  return c;
}

void appendPairColumns(ReplicateColumns& columns, const GroupComparison& comparison,
                       const GroupPair& pair, const ResamplingResult& result) {
  const Index before = columns.values.rows(), n = result.values.rows();
  if (columns.names.empty()) {
    columns.names = result.columns;
    columns.values.resize(0, result.values.cols());
  }
  columns.values.conservativeResize(before + n, Eigen::NoChange);
  columns.values.bottomRows(n) = result.values;
  for (Index i = 1; i <= n; ++i) {
    columns.groupA.push_back(comparison.names[pair.first]);
    columns.groupB.push_back(comparison.names[pair.second]);
    columns.replicate.push_back(i);
  }
}

std::string replicateCsv(const ReplicateColumns& c) {
  if (c.names.empty()) {
    return "";
  }
  const bool pairs = !c.groupA.empty();
  std::string out = pairs ? "group_a,group_b,replicate" : "replicate";
  for (const std::string& name : c.names) {
    out += "," + name;
  }
  out += '\n';
  out.reserve(out.size() + static_cast<size_t>(c.values.rows()) *
                               (8 + 24 * static_cast<size_t>(c.values.cols())));
  for (Index i = 0; i < c.values.rows(); ++i) {
    const size_t row = static_cast<size_t>(i);
    if (pairs) {
      out += pairPrefix(c, row);
    }
    out += std::to_string(c.replicate[row]);
    for (Index j = 0; j < c.values.cols(); ++j) {
      out += ',';
      appendNumber(out, c.values(i, j));
    }
    out += '\n';
  }
  return out;
}

}  // namespace vexmoor
