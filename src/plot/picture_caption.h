// The caption under a result's pictures: the files and every setting that
// the pictured numbers depend on, so that a saved or copied picture says
// what it shows. Made from the run's description, never from a window.
#pragma once

#include <string>

#include "analyses/analysis_actions.h"
#include "analyses/result_json.h"

class QCustomPlot;
class QCPLayoutGrid;

namespace vexmoor {

// "gorf.txt, gorm.txt · k = 2 · v = 10 · seed 7 · partial warps": the
// files' names as given (without their folders; non-printable bytes
// escaped), the number of components, for resampling tests v and the seed,
// and the shape variables ("partial warps", "raw coordinates" or "3D").
// A resampling test with p-values adds a second line of them.
std::string pictureCaption(const AnalysisResult& result, const RunDescription& run);

// "p-values: angle above group1 0.0099, ...": a resampling test's p-values
// (names spaced for a reader); empty for a run without them.
std::string pValueLine(const AnalysisResult& result);

// Adds `caption` to row `row` of `layout` of `plot`, left-aligned in a
// small font, its lines broken at its separators (" · ", ", ") where they
// would be wider than `width` points.
void addCaption(QCustomPlot& plot, QCPLayoutGrid* layout, int row, const std::string& caption,
                int width);

// The height a caption of two lines takes (points).
inline constexpr int kCaptionHeight = 34;

}  // namespace vexmoor
