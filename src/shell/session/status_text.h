// The lines the window says in its status line about an action's outcome,
// and the safe form of any message it shows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "analyses/analysis_actions.h"

namespace vexmoor {

// "done", or "done; ..." when values the result shows are not finite (NaN,
// Inf): for RunCPC, because a covariance estimate is singular.
std::string doneStatus(std::string_view action, const AnalysisResult& result);

// An analysis's note as the tail of its status line: "; 54 of the 100 ...",
// without the "Note: " and the closing period; empty for no note.
std::string noteStatus(std::string_view note);

// A message as the window shows it: raw control bytes and malformed UTF-8
// escaped (\xNN). Text that holds none is left exactly as it is, so that a
// message whose tokens are escaped already is not escaped twice. With
// `lineBreaks` the line breaks stay (dialogs); without, they are escaped
// too (the one-line status).
std::string displayText(std::string_view text, bool lineBreaks);

}  // namespace vexmoor
