// What a result's numbers say about the run, for front ends that report
// it beside the text (the window's status line): read from the values,
// never from the text made of them.
#pragma once

#include "analyses/analysis_actions.h"

namespace vexmoor {

// True when a value the result shows is not finite (NaN, Inf): the
// observed statistics, the printed percentiles and p-values, the CPC
// table, the eigenvalues, shares and angles of the principal components,
// and the pairwise results of three or more groups.
bool showsNonFiniteValues(const AnalysisResult& result);

}  // namespace vexmoor
