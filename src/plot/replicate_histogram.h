// Histograms of a resampling test's replicate angles: one panel per scheme
// (group 1, group 2, random, ... as the test has them), with the observed
// angle and the printed percentiles marked and labelled. Drawn straight
// into a QCustomPlot, for the window's histogram window and for the batch
// front end's --plot alike.
#pragma once

#include <QSize>

#include "compare/resampling_tests.h"

class QCustomPlot;

namespace vexmoor {

// Replaces everything `plot` shows by the histograms of `result`.
void drawReplicateHistograms(QCustomPlot& plot, const ResamplingResult& result,
                             const std::string& title);

// The size the histograms read well at in a journal column (points; PNG
// files take twice as many pixels).
QSize histogramPictureSize(const ResamplingResult& result);

// The replicate angle columns, one per panel, in the order of the columns.
std::vector<int> histogramColumns(const ResamplingResult& result);

}  // namespace vexmoor
