// The replicates of a resampling test as a CSV table: a header of the
// column names, then one row per replicate in replicate order. Values are
// written as the shortest text that reads back as the same double: sorting a column and taking the
// positions the text uses gives the printed values exactly. Non-finite values are NaN, Inf, -Inf.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analyses/analysis_actions.h"
#include "compare/resampling_tests.h"

namespace vexmoor {

std::string replicateCsv(const ResamplingResult& result);

// One value as the tables write it (NaN, Inf and -Inf as such).
void appendReplicateNumber(std::string& out, double v);

// The replicates of every pair of a k-group run in one CSV table, made as
// the pairs finish (AnalysisRequest::pairFinished): the header
// group_a,group_b,replicate and the test's columns, then each pair's rows
// in the order of the pairs: the two group names (quoted where they need
// it), the replicate number and the values.
std::string pairwiseReplicateHeader(const ResamplingResult& result);
std::string pairReplicateRows(const GroupComparison& comparison, const GroupPair& pair,
                              const ResamplingResult& result);

// The same tables as columns of data, for front ends that take numbers:
// one entry per row of the table.
struct ReplicateColumns {
  // Three or more groups: the names of each row's two groups; else empty.
  std::vector<std::string> groupA, groupB;
  std::vector<std::int64_t> replicate;  // 1-based, counted within each pair
  std::vector<std::string> names;       // the test's columns, as in the header
  Matrix values;                        // rows × names, in the table's order
};

ReplicateColumns replicateColumns(const ResamplingResult& result);
// Appends a pair's rows, as pairReplicateRows makes them.
void appendPairColumns(ReplicateColumns& columns, const GroupComparison& comparison,
                       const GroupPair& pair, const ResamplingResult& result);
// The CSV table of replicateCsv, or of the pairs' header and rows; empty
// for columns without names.
std::string replicateCsv(const ReplicateColumns& columns);

}  // namespace vexmoor
