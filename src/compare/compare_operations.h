#pragma once

#include "runtime/host.h"
#include "runtime/operation_table.h"

namespace vexmoor {

// Binds the subspace statistics; their console lines and message box go to
// `host`, which must outlive the table.
void bindCompareOperations(OperationTable& table, Host& host);

}  // namespace vexmoor
