#pragma once

#include "runtime/host.h"
#include "runtime/operation_table.h"

namespace vexmoor {

// Binds every operation of the numerical core in `table`. Diagnostics of
// the bound operations go to `host`, which must outlive the table.
void bindComputingOperations(OperationTable& table, Host& host);

}  // namespace vexmoor
