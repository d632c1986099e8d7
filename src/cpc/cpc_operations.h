#pragma once

#include "runtime/host.h"
#include "runtime/operation_table.h"

namespace vexmoor {

// Binds the covariance-model operations; console diagnostics go to `host`,
// which must outlive the table.
void bindCpcOperations(OperationTable& table, Host& host);

}  // namespace vexmoor
