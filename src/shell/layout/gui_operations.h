// The window's operations in the by-name table, where the layout's
// callbacks reach them.
#pragma once

#include "runtime/operation_table.h"
#include "shell/layout/window_shell.h"
#include "shell/session/dispatcher.h"

namespace vexmoor {

// Binds the window's operations (Vexmoor, mezeysw, plots, styling, window
// utilities, mfload) in `table`.
void bindGuiOperations(OperationTable& table, WindowShell& shell, Dispatcher& dispatcher);

}  // namespace vexmoor
