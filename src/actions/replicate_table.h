// The replicates of a resampling test as a CSV table: a header of the
// column names, then one row per replicate in replicate order. Values are
// written as the shortest text that reads back as the same double: sorting a column and taking the
// positions the text uses gives the printed values exactly. Non-finite values are NaN, Inf, -Inf.
#pragma once

#include <string>

#include "compare/resampling_tests.h"

namespace vexmoor {

std::string replicateCsv(const ResamplingResult& result);

}  // namespace vexmoor
