#pragma once

#include "runtime/operation_table.h"

namespace vexmoor {

// Binds the superimposition and shape-variable operations.
void bindShapeOperations(OperationTable& table);

}  // namespace vexmoor
