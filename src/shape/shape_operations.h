#pragma once

#include "runtime/host.h"
#include "runtime/operation_table.h"

namespace vexmoor {

// Binds the superimposition and shape-variable operations.
void bindShapeOperations(OperationTable& table);

// Binds the three-dimensional superimposition and shape-variable operations
// (centsize3Da and vertxy3D come with the ones above). Their console
// diagnostics go to `host`, which must outlive the table.
void bindThreeDimensionalShapeOperations(OperationTable& table, Host& host);

}  // namespace vexmoor
