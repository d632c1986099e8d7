// The lines the window says in its status line about an action's outcome,
// and the safe form of any message it shows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/matrix.h"

namespace vexmoor {

// "done", or "done; ..." when the result text holds values that are not
// finite (NaN, Inf) or a note that a covariance matrix is singular.
std::string doneStatus(std::string_view action, std::string_view resultText);

// An analysis's note as the tail of its status line: "; 54 of the 100 ...",
// without the "Note: " and the closing period; empty for no note.
std::string noteStatus(std::string_view note);

// Why the analyses will refuse the two loaded groups: a different number of
// landmarks (columns of the data matrices); nullopt when they agree.
std::optional<std::string> groupMismatch(const Matrix& data1, const Matrix& data2, bool threeD);

// The number of components as an analysis reads the text: one number,
// rounded half away from zero; nullopt when the text is not one number or
// is one beyond 1e9, which no analysis takes.
std::optional<int> componentsAsRead(const std::string& text);

// A message as the window shows it: raw control bytes and malformed UTF-8
// escaped (\xNN). Text that holds none is left exactly as it is, so that a
// message whose tokens are escaped already is not escaped twice. With
// `lineBreaks` the line breaks stay (dialogs); without, they are escaped
// too (the one-line status).
std::string displayText(std::string_view text, bool lineBreaks);

}  // namespace vexmoor
