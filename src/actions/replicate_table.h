// The replicates of a resampling test as a CSV table: a header of the
// column names, then one row per replicate in replicate order. Values are
// written as the shortest text that reads back as the same double: sorting a column and taking the
// positions the text uses gives the printed values exactly. Non-finite values are NaN, Inf, -Inf.
#pragma once

#include <string>

#include "actions/analysis_actions.h"
#include "compare/resampling_tests.h"

namespace vexmoor {

std::string replicateCsv(const ResamplingResult& result);

// The replicates of every pair of a k-group run in one CSV table, made as
// the pairs finish (AnalysisRequest::pairFinished): the header
// group_a,group_b,replicate and the test's columns, then each pair's rows
// in the order of the pairs: the two group names (quoted where they need
// it), the replicate number and the values.
std::string pairwiseReplicateHeader(const ResamplingResult& result);
std::string pairReplicateRows(const GroupComparison& comparison, const GroupPair& pair,
                              const ResamplingResult& result);

}  // namespace vexmoor
