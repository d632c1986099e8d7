// Histograms of a resampling test's replicates: one row per scheme (group
// 1, group 2, random, ... as the test has them), the angles on the left and
// Krzanowski's metric on the right where the test keeps it, with the
// observed value and the printed percentiles marked and labelled. Drawn straight
// into a QCustomPlot, for the window's histogram window and for the batch
// front end's --plot alike.
#pragma once

#include <QSize>

#include "compare/resampling_tests.h"

class QCustomPlot;

namespace vexmoor {

// Replaces everything `plot` shows by the histograms of `result` under
// `title`; a caption (lines may be broken with \n) goes below them.
void drawReplicateHistograms(QCustomPlot& plot, const ResamplingResult& result,
                             const std::string& title, const std::string& caption = "");

// The size the histograms read well at (points; PNG files take twice as
// many pixels): a journal column, two with the metric panels.
QSize histogramPictureSize(const ResamplingResult& result, bool caption = false);

// The replicate angle columns, one per panel, in the order of the columns.
std::vector<int> histogramColumns(const ResamplingResult& result);

}  // namespace vexmoor
