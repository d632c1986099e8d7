#pragma once

#include "runtime/operation_table.h"

namespace vexmoor {

// Binds the file operations that need no window (dload).
void bindIoOperations(OperationTable& table);

}  // namespace vexmoor
