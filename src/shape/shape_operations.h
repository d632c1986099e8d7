#pragma once

#include "runtime/host.h"
#include "runtime/operation_table.h"

namespace vexmoor {

// Binds the superimposition and shape-variable operations. Their console
// diagnostics go to `host`, which must outlive the table.
void bindShapeOperations(OperationTable& table, Host& host);

}  // namespace vexmoor
